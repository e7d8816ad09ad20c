#pragma once
/**
 * @file DlgExport.h
 * @brief CDlgExport: saves the current result as a still image (JPEG, PNG, BMP, WebP or TIFF,
 * at its own size or a chosen long side, with a quality for the lossy formats), or the current
 * expression template's animation as a GIF (a largest size, the size it will really have, an
 * optional frame delay). A save is told by a notice with "Open folder", never a box to click
 * away; the dialog then closes unless "keep open" is ticked, so several files can be written
 * in one visit.
 */
#include "controls/QtNotify.h"
#include "i18n/UiIds.h"
#include "shell/logic/ExportRules.h"

#include <QDialog>

#include <opencv2/core.hpp>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
namespace engine {
class CEffectTemplate;
}  // namespace engine
namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace controls {
class CCoolButtonBar;
}

namespace shell {

class CNoticeBar;

class CDlgExport : public QDialog, public controls::NotifyTarget {
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

    CDlgExport(engine::CPhotoDocument& document, const QString& outputPath, QWidget* parent = nullptr,
               const ExportChoices& choices = {});

    /** The path of the last successful save, or what the path box holds. */
    QString OutputPath() const;
    /** The choices as the dialog leaves them (the window keeps them for the next export). */
    ExportChoices Choices() const;
    /** The file the last save wrote, or empty. */
    QString LastSaved() const { return lastSaved_; }
    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;
    void Retranslate();

    // For tests and keyboard users.
    QRadioButton* ImageRadio() const { return imageRadio_; }
    QRadioButton* GifRadio() const { return gifRadio_; }
    QLineEdit* PathEdit() const { return path_; }
    /** The GIF's largest width and height. */
    QLineEdit* WidthEdit() const { return width_; }
    QLineEdit* HeightEdit() const { return height_; }
    QComboBox* FormatBox() const { return format_; }
    QSpinBox* QualityBox() const { return quality_; }
    QRadioButton* OriginalSizeRadio() const { return originalSize_; }
    QRadioButton* LongSideRadio() const { return longSide_; }
    QSpinBox* LongSideBox() const { return longSideValue_; }
    QCheckBox* DelayCheck() const { return delay_; }
    QSpinBox* DelayBox() const { return delayValue_; }
    QCheckBox* KeepOpenCheck() const { return keepOpen_; }
    CNoticeBar* Notice() const { return notice_; }
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
    // The constructor's steps, in this order: the children's creation order is their tab order.
    void CreateControls(const QString& outputPath);
    /** Which kinds of file the result can become (none without a template; a GIF for expressions). */
    void EnableTypes(engine::CEffectTemplate* t);
    void ApplyStillChoices(const QString& outputPath, const ExportChoices& choices);
    void ApplyGifChoices(const ExportChoices& choices);
    void CreateCloseBar();
    void ConnectControls();

    void TypeChanged(ExportType type);
    void FormatChanged();
    void FollowTypedExtension();
    const engine::PictureType& CurrentFormat() const;
    void UpdateControls();
    void UpdateSizeNote();
    /** After a save: the notice, and the dialog closes unless it is to stay open. */
    void Saved(const std::string& path);
    void WidthEdited();
    void HeightEdited();
    void KeepAspectSwitched();
    void Browse();
    void OpenFolder();
    ExportSize ReadSize() const;
    void WriteSize(ExportSize s);

    engine::CPhotoDocument& doc_;
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
    QLabel* formatLabel_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* qualityLabel_ = nullptr;
    QSpinBox* quality_ = nullptr;
    QLabel* sizeLabel_ = nullptr;
    QRadioButton* originalSize_ = nullptr;
    QRadioButton* longSide_ = nullptr;
    QSpinBox* longSideValue_ = nullptr;
    QLabel* pixelsLabel_ = nullptr;
    QCheckBox* delay_ = nullptr;
    QSpinBox* delayValue_ = nullptr;
    QCheckBox* keepOpen_ = nullptr;
    CNoticeBar* notice_ = nullptr;
    QString lastSaved_;
    QPushButton* ok_ = nullptr;
    controls::CCoolButtonBar* closeBar_ = nullptr;

    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace shell
