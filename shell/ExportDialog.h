#pragma once
/**
 * @file ExportDialog.h
 * @brief CDlgExport: saves the current result as a still image at a chosen size, or the
 * current expression template's animation as a GIF. It stays open after a save, so several
 * files can be written in one visit, and closes with its own close button (or Escape).
 */
#include "controls/QtNotify.h"
#include "i18n/UiIds.h"
#include "shell/logic/ExportRules.h"

#include <QDialog>

#include <opencv2/core.hpp>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CPhotoDocument;

namespace ui {
class CCoolButtonBar;
}

namespace shell {

class CDlgExport : public QDialog, public ui::NotifyTarget {
    Q_OBJECT
public:
    static constexpr int kImageRadioId = i18n::ui::ctl::ExportImageFile;
    static constexpr int kGifRadioId = i18n::ui::ctl::ExportGifAnimation;
    static constexpr int kDirLabelId = i18n::ui::ctl::ExportDirectoryLabel;
    static constexpr int kPathId = i18n::ui::ctl::ExportPath;
    static constexpr int kBrowseId = i18n::ui::ctl::ExportBrowse;
    static constexpr int kOpenFolderId = i18n::ui::ctl::ExportOpenFolder;
    static constexpr int kKeepAspectId = i18n::ui::ctl::ExportKeepAspect;
    static constexpr int kWidthLabelId = i18n::ui::ctl::ExportWidthLabel;
    static constexpr int kWidthId = i18n::ui::ctl::ExportWidth;
    static constexpr int kHeightLabelId = i18n::ui::ctl::ExportHeightLabel;
    static constexpr int kHeightId = i18n::ui::ctl::ExportHeight;
    static constexpr int kOkId = i18n::ui::ctl::Ok;

    CDlgExport(CPhotoDocument& document, const QString& outputPath, QWidget* parent = nullptr);

    /** The path of the last successful save, or what the path box holds. */
    QString OutputPath() const;
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;
    void Retranslate();

    // For tests and keyboard users.
    QRadioButton* ImageRadio() const { return imageRadio_; }
    QRadioButton* GifRadio() const { return gifRadio_; }
    QLineEdit* PathEdit() const { return path_; }
    QLineEdit* WidthEdit() const { return width_; }
    QLineEdit* HeightEdit() const { return height_; }
    QCheckBox* KeepAspect() const { return keepAspect_; }
    QPushButton* OkButton() const { return ok_; }
    /** The line under the size boxes: the largest size and the size that will be written. */
    QLabel* SizeNote() const { return sizeNote_; }
    /** Runs "OK" (save). */
    void Save();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    void TypeChanged(ExportType type);
    void WidthEdited();
    void HeightEdited();
    void KeepAspectSwitched();
    void Browse();
    void OpenFolder();
    ExportSize ReadSize() const;
    void WriteSize(ExportSize s);

    CPhotoDocument& doc_;
    cv::Mat result_;
    ExportType type_ = ExportType::Image;
    ExportSizeRules rules_;

    QLabel* title_ = nullptr;
    QRadioButton* imageRadio_ = nullptr;
    QRadioButton* gifRadio_ = nullptr;
    QLabel* dirLabel_ = nullptr;
    QLineEdit* path_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* openFolder_ = nullptr;
    QCheckBox* keepAspect_ = nullptr;
    QLabel* widthLabel_ = nullptr;
    QLineEdit* width_ = nullptr;
    QLabel* heightLabel_ = nullptr;
    QLineEdit* height_ = nullptr;
    QLabel* sizeNote_ = nullptr;
    QPushButton* ok_ = nullptr;
    ui::CCoolButtonBar* closeBar_ = nullptr;

    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace shell
