// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file BatchExportDlg.h
 * @brief "Export selected...": the current template, with its settings, over the photos
 * selected in the strip, written into one folder in one format. The photos are rendered by
 * RunBatch (batch/BatchRun.h), the code `grimaze-cli batch` runs, on worker threads; a
 * progress bar with Cancel shows how far it got, and the photos that failed are listed at the
 * end without stopping the rest.
 *
 * Threads: the dialog lives on the interface thread. RunBatch runs on one worker thread it
 * starts (which starts the rendering workers); the listener posts each photo's outcome back
 * as a queued call, and the cancel flag is the only thing both sides touch.
 */
#include "batch/BatchRun.h"
#include "shell/logic/ExportRules.h"

#include <QDialog>

#include <atomic>
#include <memory>
#include <thread>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace shell {

class CBatchExportDlg : public QDialog {
    Q_OBJECT
public:
    /** job names the template and its settings; photos are the files to render. */
    CBatchExportDlg(batch::RenderJob job, std::vector<std::string> photos, const QString& folder, const ExportChoices& choices,
                    QWidget* parent = nullptr);
    ~CBatchExportDlg() override;

    QLineEdit* FolderEdit() const { return folder_; }
    QComboBox* FormatBox() const { return format_; }
    QSpinBox* QualityBox() const { return quality_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* CancelButton() const { return cancel_; }
    QProgressBar* Progress() const { return progress_; }
    bool Running() const { return worker_.joinable(); }
    /** What happened, once the run is over (also the text of the closing message). */
    const batch::BatchOutcome& Outcome() const { return outcome_; }
    const std::vector<std::pair<std::string, std::string>>& Failures() const { return failures_; }
    QString Summary() const { return summary_; }

    /** Starts the run (the Export button). */
    void Start();
    /** Cancel: while running, lets the photos in hand finish and starts no more; else closes. */
    void reject() override;

private:
    void OnePhotoDone(const std::string& photo, const std::string& failure);
    void Finished(batch::BatchOutcome outcome);
    void Retranslate();

    batch::RenderJob job_;
    std::vector<std::string> photos_;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QComboBox* format_ = nullptr;
    QSpinBox* quality_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QLabel* labels_[3] = {};

    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_flag_ = std::make_shared<std::atomic<bool>>(false);
    batch::BatchOutcome outcome_;
    std::vector<std::pair<std::string, std::string>> failures_;
    int done_ = 0;
    QString summary_;
};

}  // namespace shell
