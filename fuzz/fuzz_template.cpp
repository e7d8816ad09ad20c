// SPDX-License-Identifier: MIT
// Template definitions, created as the gallery does for a thumbnail: parsed, created through the
// registry and loaded (which creates and initialises the filters and reads the files the
// definition names), then rendered once at thumbnail size from a small photo. The template's
// folder is fuzz/fixtures/template, which holds small files under the names the shipped
// definitions use (frame.jpg, cube.mesh, Knight.cfg, ...).
#include "app/Builtins.h"
#include "engine/EffectTemplate.h"
#include "engine/PhotoDocument.h"
#include "engine/PhotoRecord.h"
#include "engine/TemplateFile.h"
#include "engine/XmlText.h"
#include "fuzz/FuzzSupport.h"

#include <tinyxml2.h>

#include <memory>
#include <string>

using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::CreateTemplate;
using engine::ParseXml;
using engine::PhotoRecord;
using engine::kMaxDefinitionBytes;

namespace {

CPhotoDocument* g_document = nullptr;
std::string g_folder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::Sandbox();
    app::RegisterBuiltinClasses();
    g_folder = fuzz::FixtureFolder("template");
    g_document = new CPhotoDocument;
    PhotoRecord photo;
    photo.image = cv::Mat(36, 48, CV_8UC3);
    cv::randu(photo.image, 0, 256);
    g_document->InsertPhoto(-1, photo);
    if (!g_document->SelectPhoto(0)) fuzz::Fail("the photo cannot be selected");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > kMaxDefinitionBytes) return 0;
    auto doc = std::make_shared<tinyxml2::XMLDocument>();
    // As LoadDefinitionFile parses: an element with too many attributes is refused first.
    if (!ParseXml(*doc, std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    std::string error;
    CEffectTemplate* t = CreateTemplate(doc, g_folder, g_document, &error);
    if (!t) {
        if (error.empty()) fuzz::Fail("a template refused without a reason");
        return 0;
    }
    const cv::Mat thumb = g_document->TemplateThumbnail(t);
    if (!thumb.empty() && (thumb.cols > CPhotoDocument::kTemplateThumbWidth || thumb.rows > CPhotoDocument::kTemplateThumbHeight))
        fuzz::Fail("a thumbnail larger than a gallery cell");
    t->Release();
    return 0;
}
