#include "engine/EffectTemplate.h"

#include "engine/OptionPanel.h"
#include "engine/PhotoDocument.h"
#include "engine/PhotoRecord.h"
#include "engine/Registry.h"

#include <tinyxml2.h>

#include <algorithm>
#include <mutex>

namespace engine {

CEffectTemplate::CEffectTemplate()
{
    kind = KindTemplate;
    className = "CEffectTemplate";
}

CEffectTemplate::~CEffectTemplate()
{
    filter_.reset();
    SweepPanes();
    for (COptionPanel* pane : panes_) pane->templ = nullptr;
}

void CEffectTemplate::Release()
{
    if (refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
}

void CEffectTemplate::DrawOverlay(int, const cv::Mat&, platform::DrawContext&, const ViewRect&, float, float, float) {}

bool CEffectTemplate::OnMouse(int, const cv::Mat&, const ViewRect&, float*, float&, bool, bool, int, int, int)
{
    return false;
}

void CEffectTemplate::SetPhotos(std::span<const PhotoRecord> records)
{
    if (records.empty() || records.front().PreparedView().empty()) {
        SetSource({});
        return;
    }
    std::vector<cv::Mat> images;
    images.reserve(records.size());
    for (const PhotoRecord& r : records) images.push_back(r.PreparedView());
    SetSource(images);
}

void CEffectTemplate::ParamCommand(int, platform::WindowId, int, void*) {}

int CEffectTemplate::ExportAnimation(const std::string&, int, int) { return 0; }

void CEffectTemplate::SweepPanes()
{
    for (COptionPanel*& pane : panes_) {
        if (pane && !pane->alive) {
            delete pane;
            pane = nullptr;
        }
    }
    std::erase(panes_, nullptr);
}

COptionPanel* CEffectTemplate::CreateOwnedPane(const char* paneClass)
{
    std::unique_ptr<CImageDataObject> object = CreateByName(paneClass);
    auto* pane = object && object->kind == KindPane ? dynamic_cast<COptionPanel*>(object.get()) : nullptr;
    if (!pane) return nullptr;
    object.release();
    pane->ownedByTemplate = true;
    pane->view = document ? document->NotifyWindow() : 0;
    pane->templ = this;
    SweepPanes();
    panes_.push_back(pane);
    return pane;
}

bool CEffectTemplate::CreateFilterFromDefinition(const char* fallback)
{
    tinyxml2::XMLElement* element = definition ? definition->FirstChildElement("filter") : nullptr;
    const char* name = element ? element->Attribute("name") : nullptr;
    if (!name || !*name) name = fallback;
    if (!name || !*name) {
        loadError_ = "the template names no filter";
        return false;
    }
    std::unique_ptr<CImageFilter> created = CreateFilterByName(name);
    if (!created || created->kind != KindFilter) {
        loadError_ = std::string("unknown filter \"") + name + "\"";
        return false;
    }
    if (!ParamBlockFits(created->ParamsNeeded(), ParamsGiven())) {
        loadError_ = std::string("template class \"") + className + "\" cannot drive filter class \"" + name +
                     "\": the filter reads " + ParamBlockName(created->ParamsNeeded()) + ", the template hands it " +
                     ParamBlockName(ParamsGiven());
        return false;
    }
    created->SetDefinition(element);
    created->SetTemplateFolder(folder);
    std::string why;
    if (!created->CheckFileSettings(&why)) {
        loadError_ = std::string("filter \"") + name + "\", " + why;
        return false;
    }
    filter_ = std::move(created);
    filter_->Init();
    if (std::string unusable = filter_->InitError(); !unusable.empty()) {
        loadError_ = std::string("filter \"") + name + "\", " + unusable;
        filter_.reset();
        return false;
    }
    return true;
}

namespace {
std::mutex g_creationLock;
}

CEffectTemplate* CreateTemplate(const std::shared_ptr<tinyxml2::XMLDocument>& definition, const std::string& folder,
                                CPhotoDocument* document, std::string* error)
{
    auto fail = [&](const std::string& why) -> CEffectTemplate* {
        if (error) *error = why;
        return nullptr;
    };
    tinyxml2::XMLElement* root = definition ? definition->RootElement() : nullptr;
    tinyxml2::XMLElement* templ = root ? root->FirstChildElement("template") : nullptr;
    tinyxml2::XMLElement* filter = root ? root->FirstChildElement("filter") : nullptr;
    if (!templ || !filter) return fail("the definition has no \"template\" and \"filter\" elements");
    const char* className = filter->Attribute("name");
    if (!className || !*className) return fail("the definition names no template class");

    std::lock_guard lock(g_creationLock);
    std::unique_ptr<CImageDataObject> object = CreateByName(className);
    auto* t = dynamic_cast<CEffectTemplate*>(object.get());
    if (!t || object->kind != KindTemplate) return fail(std::string("unknown template class \"") + className + "\"");
    object.release();
    t->document = document;
    t->folder = folder;
    t->displayName = templ->Attribute("name") ? templ->Attribute("name") : "";
    t->definition = filter;
    t->definitionOwner = definition;
    if (!t->Load()) {
        const std::string why = t->LoadError().empty() ? "the template could not be loaded" : t->LoadError();
        t->Release();
        return fail(why);
    }
    return t;
}

}  // namespace engine
