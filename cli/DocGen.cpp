// SPDX-License-Identifier: MIT
// grimaze-docgen-cli: writes grimaze-cli's manual page and bash completion from its option
// tables at build time; grimaze-docgen (dist/) writes the files of the desktop program.
//
//   grimaze-docgen-cli man OUT VERSION DATE     grimaze-cli(1)
//   grimaze-docgen-cli completion OUT           bash completion for grimaze-cli
#include "cli/Options.h"
#include "platform/Files.h"

#include <cstdio>
#include <string>

using cli::CliBashCompletion;
using cli::CliManualPage;

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    std::string text;
    if (mode == "man" && argc == 5) text = CliManualPage(argv[3], argv[4]);
    else if (mode == "completion" && argc == 3) text = CliBashCompletion();
    else {
        std::fputs("usage: grimaze-docgen-cli man OUT VERSION DATE | completion OUT\n", stderr);
        return 2;
    }
    std::string error;
    if (platform::WriteFileAtomically(argv[2], text, &error)) return 0;
    std::fprintf(stderr, "grimaze-docgen-cli: cannot write %s: %s\n", argv[2], error.c_str());
    return 1;
}
