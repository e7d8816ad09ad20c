// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file NoticeBar.h
 * @brief CNoticeBar: a short, non-blocking notice ("Saved beach.jpg") with an "Open folder"
 * button, laid over the bottom of a window. It hides itself after a while or when closed;
 * nothing waits for it. Interface thread only.
 */
#include <QFrame>
#include <QString>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace shell {

class CNoticeBar : public QFrame {
    Q_OBJECT
public:
    static constexpr int kShownMs = 8000;

    explicit CNoticeBar(QWidget* parent);

    /** Shows the text; with a folder, an "Open folder" button that opens it. */
    void Show(const QString& text, const QString& folder = QString());
    /** Shows a problem the user should read: wrapped over several lines, until it is closed. */
    void ShowProblem(const QString& text);
    /** Places the bar at the bottom centre of its parent. */
    void Place();
    void Retranslate();

    QLabel* Label() const { return label_; }
    QPushButton* OpenFolderButton() const { return open_; }
    QString Folder() const { return folder_; }

    /** Replaces opening a folder in the file manager (tests); an empty function restores it. */
    static void SetOpenFolderHook(std::function<void(const QString& folder)> hook);

private:
    QLabel* label_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* close_ = nullptr;
    QTimer* timer_ = nullptr;
    QString folder_;
};

}  // namespace shell
