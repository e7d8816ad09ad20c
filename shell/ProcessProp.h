#pragma once
/**
 * @file ProcessProp.h
 * @brief CProcessProp: the template page. It owns the template library for the working
 * window's life, the gallery model and its window, the thumbnail worker, the downloads and
 * the page logic that turns a gallery selection into the current template.
 *
 * Shutdown order: the worker leaves the gallery and stops, the downloads are cancelled and
 * joined, the page drops its template, then the library is written back and cleared.
 * Interface thread only.
 */
#include "shell/TemplatePageBase.h"

#include <memory>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace library {
class CGalleryModel;
class CTemplateDownloader;
class CTemplateLibrary;
class CTemplatePage;
class CThumbnailWorker;
}  // namespace library

namespace shell {

class CFilterList;

class CProcessProp : public CTemplatePageBase {
    Q_OBJECT
public:
    /** configFile: the library's config.cfg (empty: the program folder's). */
    CProcessProp(engine::CPhotoDocument& document, QWidget* parent = nullptr, std::string configFile = {});
    ~CProcessProp() override;

    void SetWindows(platform::WindowId preview, platform::WindowId mainWindow) override;
    void Initialise() override;
    int CategoryCount() const override;
    QString CategoryName(int index) const override;
    QString CategoryLabel(int index) const override;
    int CurrentCategory() const override;
    void SelectCategory(int index) override;
    void ReselectCurrent(bool recreate, bool restart, bool refreshThumbnails) override;
    engine::CEffectTemplate* Template() const override;
    void Deselect() override;
    std::vector<engine::ToolButton> ToolButtons() const override;
    QString CurrentTemplateName() const override;
    void Retranslate() override;
    std::vector<std::string> LoadProblems() const override;
    void Shutdown() override;

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;

    CFilterList* Gallery() const { return list_; }
    library::CGalleryModel* Model() const { return model_.get(); }
    library::CThumbnailWorker* Worker() const { return worker_.get(); }

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    engine::CPhotoDocument& doc_;
    std::string configFile_;
    platform::WindowId preview_ = 0;
    platform::WindowId main_ = 0;
    std::unique_ptr<library::CTemplateLibrary> library_;
    std::unique_ptr<library::CGalleryModel> model_;
    std::unique_ptr<library::CThumbnailWorker> worker_;
    std::unique_ptr<library::CTemplateDownloader> downloader_;
    std::unique_ptr<library::CTemplatePage> page_;
    CFilterList* list_ = nullptr;
    bool shutDown_ = false;
};

}  // namespace shell
