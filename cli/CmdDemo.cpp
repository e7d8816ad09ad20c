#include "cli/Args.h"
#include "cli/Commands.h"
#include "batch/RenderJob.h"
#include "cli/TemplateLookup.h"

#include "engine/ImageIO.h"
#include "engine/ViewGeometry.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <sstream>

using batch::RenderJob;
using batch::RunRenderJob;
using engine::FitImage;
using engine::LoadPhoto;
using engine::SaveImage;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"out", 0, "DIR", ValueKind::Folder, "where the pictures and index.html go (default ./grimaze-demo)"},
    {"size", 0, "WxH", ValueKind::Text, "the preview size to render at (default 480x360)"},
};

std::string Html(std::string_view s)
{
    std::string r;
    for (char c : s) {
        switch (c) {
        case '&': r += "&amp;"; break;
        case '<': r += "&lt;"; break;
        case '>': r += "&gt;"; break;
        case '"': r += "&quot;"; break;
        default: r += c;
        }
    }
    return r;
}

std::string Slug(std::string_view s)
{
    std::string r;
    for (char c : s) r += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c)) : '-';
    return r;
}

int Run(const Args& args)
{
    const std::string dir = args.Value("out").value_or("grimaze-demo");
    int w = 480, h = 360;
    if (const auto s = args.Value("size"); s && !ParseSize(*s, w, h)) return Fail("demo", "bad value for --size", 2);
    if (!platform::MakeFolders(dir)) return Fail("demo", "cannot create folder " + dir);

    std::vector<std::string> photos;
    const std::string sampleDir = platform::ProgramFolder() + "/media/Images/default";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(sampleDir, ec))
        if (e.is_regular_file(ec)) photos.push_back(e.path().string());
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) return Fail("demo", "no sample photos in " + sampleDir);
    const std::vector<std::string> templates = ShippedTemplateFiles();

    platform::SetFixedSeed(1u);
    std::ostringstream html;
    html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Grimaze templates</title>\n"
            "<style>body{font-family:sans-serif;background:#222;color:#eee}td{padding:4px;text-align:center;"
            "vertical-align:top}img{max-width:240px;border:1px solid #555}th{text-align:left}</style></head><body>\n"
            "<h1>Grimaze: every bundled template on the sample photos</h1>\n<table>\n<tr><th></th>";
    for (const std::string& p : photos) {
        const std::string name = platform::FileName(p);
        const cv::Mat img = LoadPhoto(p);
        const std::string thumb = "photo-" + Slug(name) + ".jpg";
        if (!img.empty()) SaveImage(platform::JoinPath(dir, thumb), FitImage(img, w, h));
        html << "<td><img src=\"" << Html(thumb) << "\"><br>" << Html(name) << "</td>";
    }
    html << "</tr>\n";

    int failures = 0, done = 0;
    for (const std::string& t : templates) {
        const std::string name = TemplateDisplayName(t);
        html << "<tr><th>" << Html(name) << "</th>";
        for (const std::string& p : photos) {
            RenderJob job;
            job.templateFile = t;
            job.photos = {p};
            job.viewSize = cv::Size(w, h);
            std::string error;
            const cv::Mat result = RunRenderJob(job, &error);
            const std::string file = Slug(name) + "-" + Slug(platform::FileName(p)) + ".jpg";
            if (result.empty() || !SaveImage(platform::JoinPath(dir, file), result, &error)) {
                std::fprintf(stderr, "grimaze-cli demo: %s on %s: %s\n", name.c_str(), p.c_str(), error.c_str());
                html << "<td>failed: " << Html(error) << "</td>";
                ++failures;
            } else {
                html << "<td><img src=\"" << Html(file) << "\"></td>";
                ++done;
            }
        }
        html << "</tr>\n";
    }
    html << "</table>\n</body></html>\n";
    std::string error;
    const std::string index = platform::JoinPath(dir, "index.html");
    if (!platform::WriteFileAtomically(index, html.str(), &error)) return Fail("demo", error);
    Note("demo", std::to_string(done) + " renderings of " + std::to_string(templates.size()) + " templates on " +
                     std::to_string(photos.size()) + " photos; contact sheet: " + index);
    return failures ? 1 : 0;
}

}  // namespace

const CliCommand kDemoCommand = {
    "demo",
    "render every bundled template on the sample photos, with a contact sheet",
    "[--out DIR] [--size WxH]",
    "Renders every bundled template on every bundled sample photo into DIR at a preview size\n"
    "and writes DIR/index.html, a contact sheet of the results.\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
