// SPDX-License-Identifier: MIT
#include "shell/BatchExportDlg.h"

#include "controls/UiText.h"
#include "platform/Folders.h"
#include "shell/Messages.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using batch::BatchItem;
using batch::BatchListener;
using batch::BatchOutcome;
using batch::PlanBatchOutputs;
using batch::RenderJob;
using batch::RunBatch;
using batch::SaveOptions;
using engine::PictureType;
using engine::PictureTypeNamed;

namespace shell {
namespace {

/** Posts each photo's outcome to the dialog; the dialog may be gone by the time it lands. */
class PostingListener final : public BatchListener {
public:
    explicit PostingListener(QPointer<CBatchExportDlg> dialog, std::function<void(const std::string&, const std::string&)> f)
        : dialog_(std::move(dialog)), f_(std::move(f))
    {
    }
    void Written(const BatchItem& item) override { Post(item.photo, {}); }
    void Failed(const BatchItem& item, const std::string& why) override { Post(item.photo, why.empty() ? "failed" : why); }

private:
    void Post(const std::string& photo, const std::string& why)
    {
        QMetaObject::invokeMethod(
            qApp, [d = dialog_, f = f_, photo, why] {
                if (d) f(photo, why);
            },
            Qt::QueuedConnection);
    }
    QPointer<CBatchExportDlg> dialog_;
    std::function<void(const std::string&, const std::string&)> f_;
};

}  // namespace

CBatchExportDlg::CBatchExportDlg(RenderJob job, std::vector<std::string> photos, const QString& folder,
                                 const ExportChoices& choices, QWidget* parent)
    : QDialog(parent), job_(std::move(job)), photos_(std::move(photos))
{
    setObjectName("batchExportDialog");
    setModal(true);
    folder_ = new QLineEdit(folder, this);
    browse_ = new QPushButton("...", this);
    format_ = new QComboBox(this);
    for (const PictureType* f : StillFormats())
        format_->addItem(QString::fromStdString(FormatDisplayName(*f)), QString::fromLatin1(f->name));
    format_->setCurrentIndex(std::max(0, format_->findData(QString::fromStdString(choices.format))));
    quality_ = new QSpinBox(this);
    quality_->setRange(1, 100);
    quality_->setValue(std::clamp(choices.quality, 1, 100));
    status_ = new QLabel(this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, static_cast<int>(photos_.size()));
    progress_->setValue(0);
    start_ = new QPushButton(this);
    start_->setDefault(true);
    cancel_ = new QPushButton(this);
    for (QLabel*& l : labels_) l = new QLabel(this);

    auto* grid = new QGridLayout;
    grid->addWidget(labels_[0], 0, 0);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse_);
    grid->addLayout(folderRow, 0, 1);
    grid->addWidget(labels_[1], 1, 0);
    grid->addWidget(format_, 1, 1, Qt::AlignLeft);
    grid->addWidget(labels_[2], 2, 0);
    grid->addWidget(quality_, 2, 1, Qt::AlignLeft);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(grid);
    all->addWidget(status_);
    all->addWidget(progress_);
    all->addLayout(buttons);
    setMinimumWidth(520);

    auto lossy = [this] {
        const PictureType* t = PictureTypeNamed(format_->currentData().toString().toStdString());
        quality_->setEnabled(t && TakesQuality(*t));
    };
    lossy();
    connect(format_, &QComboBox::currentIndexChanged, this, lossy);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, controls::Phrase("Folder"), folder_->text());
        if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    connect(start_, &QPushButton::clicked, this, [this] { Start(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { reject(); });
    Retranslate();
}

CBatchExportDlg::~CBatchExportDlg()
{
    cancel_flag_->store(true);
    if (worker_.joinable()) worker_.join();
}

void CBatchExportDlg::Retranslate()
{
    setWindowTitle(controls::Phrase("Export Selected Photos"));
    labels_[0]->setText(controls::Phrase("Folder"));
    labels_[1]->setText(controls::Phrase("Format"));
    labels_[2]->setText(controls::Phrase("Quality"));
    start_->setText(controls::Str(105));
    cancel_->setText(controls::Phrase("Cancel"));
    if (Running()) status_->setText(controls::Phrase("Exporting %1 of %2...").arg(std::min<size_t>(done_ + 1, photos_.size())).arg(photos_.size()));
}

void CBatchExportDlg::Start()
{
    if (Running()) return;
    const std::string folder = folder_->text().trimmed().toStdString();
    if (folder.empty() || folder.front() != '/' || !platform::MakeFolders(folder)) {
        ShowMessage(this, controls::Str(144), controls::Phrase("Error"), MessageKind::Error);
        return;
    }
    const PictureType* type = PictureTypeNamed(format_->currentData().toString().toStdString());
    if (!type) return;
    const std::vector<BatchItem> plan = PlanBatchOutputs(photos_, folder, type->PreferredExtension().substr(1));
    SaveOptions save;
    save.quality = quality_->value();
    for (QWidget* w : std::initializer_list<QWidget*>{folder_, browse_, format_, quality_, start_}) w->setEnabled(false);
    done_ = 0;
    failures_.clear();
    status_->setText(controls::Phrase("Exporting %1 of %2...").arg(1).arg(photos_.size()));
    auto listener = std::make_shared<PostingListener>(
        QPointer<CBatchExportDlg>(this), [this](const std::string& photo, const std::string& why) { OnePhotoDone(photo, why); });
    const int jobs = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    worker_ = std::thread([this, plan, save, jobs, listener, flag = cancel_flag_, job = job_] {
        const BatchOutcome outcome = RunBatch(plan, job, save, jobs, *listener, flag.get());
        QPointer<CBatchExportDlg> self(this);
        QMetaObject::invokeMethod(
            qApp, [self, outcome] {
                if (self) self->Finished(outcome);
            },
            Qt::QueuedConnection);
    });
}

void CBatchExportDlg::OnePhotoDone(const std::string& photo, const std::string& failure)
{
    ++done_;
    if (!failure.empty()) failures_.emplace_back(photo, failure);
    progress_->setValue(done_);
    status_->setText(controls::Phrase("Exporting %1 of %2...").arg(std::min<size_t>(done_ + 1, photos_.size())).arg(photos_.size()));
}

void CBatchExportDlg::Finished(BatchOutcome outcome)
{
    if (worker_.joinable()) worker_.join();
    outcome_ = outcome;
    summary_ = controls::Phrase("%1 of %2 photos written to %3.")
                   .arg(outcome.written)
                   .arg(photos_.size())
                   .arg(folder_->text().trimmed());
    if (outcome.cancelled) summary_ += "\n" + controls::Phrase("Cancelled: %1 photos were not exported.").arg(outcome.cancelled);
    if (!failures_.empty()) {
        summary_ += "\n\n" + controls::Phrase("These photos could not be exported:");
        for (const auto& [photo, why] : failures_)
            summary_ += "\n" + QString::fromStdString(platform::FileName(photo)) + ": " + QString::fromStdString(why);
    }
    ShowMessage(this, summary_, windowTitle(), failures_.empty() ? MessageKind::Information : MessageKind::Warning);
    accept();
}

void CBatchExportDlg::reject()
{
    if (Running()) {
        // The photos being rendered finish; no further one starts. The summary then closes us.
        cancel_flag_->store(true);
        cancel_->setEnabled(false);
        return;
    }
    QDialog::reject();
}

}  // namespace shell
