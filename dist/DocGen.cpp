// SPDX-License-Identifier: MIT
// grimaze-docgen: writes the files a distribution installs beside the programs from the
// tables the programs themselves use, so that they cannot drift apart.
//
//   grimaze-docgen desktop TEMPLATE OUT                  the desktop entry, MimeType= from the picture types
//   grimaze-docgen metainfo TEMPLATE OUT VERSION         AppStream metadata, media types and version filled in
//   grimaze-docgen man-gui OUT VERSION DATE              grimaze(1) from the desktop program's option table
//
// grimaze-cli's manual page and completion come from grimaze-docgen-cli (cli/DocGen.cpp).
#include "app/ManualPage.h"
#include "engine/PictureTypes.h"
#include "platform/Files.h"
#ifdef GRIMAZE_DOCGEN_GUI
#include "shell/logic/DesktopOptions.h"
#endif

#include <cstdio>
#include <string>

using engine::PictureType;
using engine::PictureTypes;
using engine::ReadableMimeTypes;

namespace {

int Usage()
{
    std::fputs("usage: grimaze-docgen desktop|metainfo|man-gui ... (see the source)\n", stderr);
    return 2;
}

bool Replace(std::string& text, const std::string& key, const std::string& value)
{
    const size_t at = text.find(key);
    if (at == std::string::npos) {
        std::fprintf(stderr, "grimaze-docgen: the template has no %s\n", key.c_str());
        return false;
    }
    text.replace(at, key.size(), value);
    return true;
}

int Write(const std::string& path, const std::string& text)
{
    std::string error;
    if (platform::WriteFileAtomically(path, text, &error)) return 0;
    std::fprintf(stderr, "grimaze-docgen: cannot write %s: %s\n", path.c_str(), error.c_str());
    return 1;
}

bool ReadTemplate(const char* path, std::string& text)
{
    if (platform::ReadFile(path, text, 1 << 20)) return true;
    std::fprintf(stderr, "grimaze-docgen: cannot read %s\n", path);
    return false;
}

std::string MediaTypes()
{
    std::string xml;
    for (const PictureType& t : PictureTypes())
        if (t.readable) xml += std::string(xml.empty() ? "" : "\n    ") + "<mediatype>" + t.mimeType + "</mediatype>";
    return xml;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return Usage();
    const std::string mode = argv[1];
    std::string text;
    if (mode == "desktop" && argc == 4) {
        if (!ReadTemplate(argv[2], text) || !Replace(text, "@MIME_TYPES@", ReadableMimeTypes())) return 1;
        return Write(argv[3], text);
    }
    if (mode == "metainfo" && argc == 5) {
        if (!ReadTemplate(argv[2], text) || !Replace(text, "@MEDIATYPES@", MediaTypes()) || !Replace(text, "@VERSION@", argv[4]))
            return 1;
        return Write(argv[3], text);
    }
#ifdef GRIMAZE_DOCGEN_GUI
    if (mode == "man-gui" && argc == 5) return Write(argv[2], app::RenderManualPage(shell::DesktopManual(), argv[3], argv[4]));
#endif
    return Usage();
}
