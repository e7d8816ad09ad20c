// SPDX-License-Identifier: MIT
// A process for the library's fault tests to kill, starve of disk space or deny writing:
//   library_fault_helper save CONFIG HIDE   load the library, set every template's hide flag, save
//   library_fault_helper loop CONFIG        the same with the flag flipping, for ever
// Exit code 0 when all went well; otherwise 1, with the reason on stderr.
#include "library/TemplateLibrary.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void SetHidden(library::CTemplateLibrary& lib, bool hide)
{
    for (int c = 0; c < lib.GetColumnCount(); ++c)
        for (auto& item : lib.GetColumn(c)->items) item->SetHide(hide);
}

bool Load(library::CTemplateLibrary& lib, const char* config)
{
    const bool ok = lib.LoadTemplateLibraryFrom(config);
    for (const std::string& problem : lib.LoadErrors()) std::fprintf(stderr, "%s\n", problem.c_str());
    return ok && lib.LoadErrors().empty();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: library_fault_helper save|loop CONFIG [HIDE]\n");
        return 2;
    }
    const std::string mode = argv[1];
    library::CTemplateLibrary lib;
    if (!Load(lib, argv[2])) return 1;
    if (mode == "save" && argc == 4) {
        SetHidden(lib, std::strcmp(argv[3], "0") != 0);
        std::string error;
        if (lib.SaveTemplateLibrary(&error)) return 0;
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (mode == "loop")
        for (bool hide = true;; hide = !hide) {
            SetHidden(lib, hide);
            lib.SaveTemplateLibrary();
        }
    return 2;
}
