// SPDX-License-Identifier: MIT
// A process for the fault tests to kill: it writes an export or the settings file the way the
// program does, over and over (or once), so that kill -9, a full disk or a read-only folder can
// catch it at any moment of a write.
//
//   fault_writer export TARGET     writes picture A, then B, then A ... to TARGET (SaveImage)
//   fault_writer export-cli TARGET the same as grimaze-cli writes: its folders are not listed
//   fault_writer settings N        saves the settings with a language of N 'a's, then N 'b's ...
//   fault_writer settings-once N   loads the settings, saves them once with N 'c's; exit 1 on failure
#include "engine/ImageIO.h"
#include "platform/Files.h"
#include "settings/GrimazeSettings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace engine;
using namespace settings;

namespace {

cv::Mat FaultPicture(int which)
{
    cv::Mat m(800, 1200, CV_8UC3);
    cv::RNG rng(static_cast<std::uint64_t>(which + 1));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    return m;
}

// Tells the test that start-up is over and the writing begins, then that a write is whole.
void Say(const char* line)
{
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    const std::string mode = argv[1];
    // grimaze-cli keeps no list of the folders it writes in (it leaves the home as it was).
    if (mode == "export-cli") platform::SetRememberTemporaryFolders(false);
    if (mode == "export" || mode == "export-cli") {
        const cv::Mat pictures[2] = {FaultPicture(0), FaultPicture(1)};
        Say("writing");
        for (int i = 0;; i ^= 1) {
            std::string error;
            if (!SaveImage(argv[2], pictures[i], &error)) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
            Say("written");
        }
    }
    const std::size_t n = std::strtoul(argv[2], nullptr, 10);
    if (mode == "settings") {
        LoadGrimazeSettings(true);
        Say("writing");
        for (int i = 0;; i ^= 1) {
            GrimazeSettings().language = std::string(n, i ? 'b' : 'a');
            if (!SaveGrimazeSettings()) return 1;
            Say("written");
        }
    }
    if (mode == "settings-once") {
        LoadGrimazeSettings(true);
        GrimazeSettings().language = std::string(n, 'c');
        return SaveGrimazeSettings() ? 0 : 1;
    }
    return 2;
}
