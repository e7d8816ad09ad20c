// SPDX-License-Identifier: MIT
// grimaze-docgen: writes the files a distribution installs beside the programs from the
// tables the programs themselves use, so that they cannot drift apart.
//
//   grimaze-docgen desktop TEMPLATE OUT   the desktop entry, MimeType= from the picture types
#include "engine/PictureTypes.h"
#include "platform/Files.h"

#include <cstdio>
#include <string>

namespace {

int Usage()
{
    std::fputs("usage: grimaze-docgen desktop TEMPLATE OUT\n", stderr);
    return 2;
}

bool Replace(std::string& text, const std::string& key, const std::string& value)
{
    const size_t at = text.find(key);
    if (at == std::string::npos) return false;
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

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return Usage();
    const std::string mode = argv[1];
    if (mode == "desktop" && argc == 4) {
        std::string text;
        if (!platform::ReadFile(argv[2], text, 1 << 20)) {
            std::fprintf(stderr, "grimaze-docgen: cannot read %s\n", argv[2]);
            return 1;
        }
        if (!Replace(text, "@MIME_TYPES@", ReadableMimeTypes())) {
            std::fprintf(stderr, "grimaze-docgen: %s has no @MIME_TYPES@\n", argv[2]);
            return 1;
        }
        return Write(argv[3], text);
    }
    return Usage();
}
