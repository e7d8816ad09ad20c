#include "shell/ProcessProp.h"

#include "controls/Skin.h"
#include "library/GalleryModel.h"
#include "library/TemplateDownload.h"
#include "library/TemplateLibrary.h"
#include "library/TemplatePage.h"
#include "library/ThumbnailWorker.h"
#include "settings/GrimazeSettings.h"
#include "shell/FilterList.h"

#include <QImage>

#include <opencv2/imgproc.hpp>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::ToolButton;
using settings::GrimazeSettings;

namespace shell {
namespace {

// The download badge as the model draws it onto online templates' pictures (BGRA).
cv::Mat BadgeImage()
{
    const QImage image = controls::Skin::ImageForWorker(controls::img::DownloadBadge).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) return {};
    cv::Mat m(image.height(), image.width(), CV_8UC4, const_cast<uchar*>(image.constBits()),
              static_cast<size_t>(image.bytesPerLine()));
    return m.clone();  // ARGB32 in memory is B, G, R, A
}

}  // namespace

CProcessProp::CProcessProp(CPhotoDocument& document, QWidget* parent, std::string configFile)
    : CTemplatePageBase(parent), doc_(document), configFile_(std::move(configFile))
{
    setObjectName("templatePage");
    list_ = new CFilterList(this);
    list_->SetForward([this](int code, std::intptr_t a, std::intptr_t b) {
        return page_ && page_->HandleNotification(code, a, b);
    });
}

CProcessProp::~CProcessProp() { Shutdown(); }

void CProcessProp::SetWindows(platform::WindowId preview, platform::WindowId mainWindow)
{
    preview_ = preview;
    main_ = mainWindow;
}

void CProcessProp::Initialise()
{
    library_ = std::make_unique<library::CTemplateLibrary>();
    if (configFile_.empty()) library_->LoadTemplateLibrary();
    else library_->LoadTemplateLibraryFrom(configFile_);

    model_ = std::make_unique<library::CGalleryModel>(*library_);
    model_->SetWindows(list_->WindowId(), WindowId(), main_);
    model_->SetShowHiddenSwitch(&GrimazeSettings().showHidden);
    worker_ = std::make_unique<library::CThumbnailWorker>(&doc_);
    model_->SetThumbnailWorker(worker_.get());
    downloader_ = std::make_unique<library::CTemplateDownloader>();
    downloader_->SetDownloadFolder(library::DefaultDownloadFolder());
    model_->SetDownloader(downloader_.get());
    model_->SetBadge(BadgeImage());
    model_->SetClientSize(list_->width(), list_->height());
    model_->Fill();
    page_ = std::make_unique<library::CTemplatePage>(*model_, doc_, preview_, main_);
    list_->SetModel(model_.get());
    worker_->Register(model_.get());
    model_->SetReady(true);
    worker_->Start();
}

std::vector<std::string> CProcessProp::LoadProblems() const
{
    return library_ ? library_->LoadErrors() : std::vector<std::string>();
}

void CProcessProp::Shutdown()
{
    if (shutDown_ || !library_) return;
    shutDown_ = true;
    if (worker_) {
        worker_->Unregister(model_.get());
        worker_->Stop();
    }
    downloader_.reset();  // cancels and joins the downloads
    list_->SetModel(nullptr);
    page_.reset();
    model_->SetThumbnailWorker(nullptr);
    model_->SetDownloader(nullptr);
    model_.reset();
    worker_.reset();
    library_->SaveTemplateLibrary();
    library_->ClearTemplateLibrary();
}

std::intptr_t CProcessProp::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (page_ && page_->HandleNotification(code, a, b)) {
        list_->update();
        return 1;
    }
    return 0;
}

void CProcessProp::resizeEvent(QResizeEvent*) { list_->setGeometry(rect()); }

int CProcessProp::CategoryCount() const { return model_ ? model_->CategoryCount() : 0; }

QString CProcessProp::CategoryName(int index) const
{
    return model_ ? QString::fromStdString(model_->GetCategoryName(index)) : QString();
}

QString CProcessProp::CategoryLabel(int index) const
{
    return model_ ? QString::fromStdString(model_->GetCategoryLabel(index)) : QString();
}

int CProcessProp::CurrentCategory() const { return model_ ? model_->CurrentCategory() : 0; }

void CProcessProp::SelectCategory(int index)
{
    if (page_) page_->SelectCategory(index);
    list_->update();
}

void CProcessProp::ReselectCurrent(bool recreate, bool restart, bool refreshThumbnails)
{
    if (page_) page_->ReselectCurrent(recreate, restart, refreshThumbnails);
    list_->update();
}

CEffectTemplate* CProcessProp::Template() const { return page_ ? page_->Template() : nullptr; }

void CProcessProp::Deselect()
{
    if (page_) page_->Deselect();
    list_->update();
}

std::vector<ToolButton> CProcessProp::ToolButtons() const
{
    return page_ ? page_->ToolButtons() : std::vector<ToolButton>();
}

QString CProcessProp::CurrentTemplateName() const
{
    return page_ ? QString::fromStdString(page_->CurrentTemplateName()) : QString();
}

void CProcessProp::Retranslate()
{
    if (!model_) return;
    model_->SetBadge(BadgeImage());
    model_->Retranslate();
    list_->update();
}

}  // namespace shell
