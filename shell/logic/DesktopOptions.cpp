// SPDX-License-Identifier: MIT
#include "shell/logic/DesktopOptions.h"

namespace shell {

using app::ManualPage;
using app::OptionSpec;
using app::ValueKind;

namespace {

const OptionSpec kOptions[] = {
    {"help", 'h', nullptr, ValueKind::None, "show the options and stop"},
    {"version", 0, nullptr, ValueKind::None, "print the version and stop"},
};

const char* kSynopsis = "[--help] [--version] [PHOTO...]";

const char* kDescription =
    "Grimaze turns photos into paintings, weather scenes, framed pictures, faces pasted into\n"
    "pictures and photos wrapped on 3D models. Add photos to the photo strip, pick an effect\n"
    "template in the gallery, fine-tune it with sliders and export the result as a picture or,\n"
    "for expression templates, as an animated GIF.\n"
    "\n"
    "The photos named on the command line (or handed over by the desktop's \"Open with\") are\n"
    "added to the photo strip, the last one named first.\n";

const char* kExtra =
    ".SH FILES\n"
    ".TP\n.I ~/.config/Kestrovo/Grimaze.ini\nthe settings, read at start and written at the end\n"
    ".TP\n.I ~/.local/share/Kestrovo/Grimaze/\nthe per-user template library and the log\n"
    ".TP\n.I /usr/share/grimaze/\nthe templates, languages and help that ship with the program\n"
    ".SH ENVIRONMENT\n"
    ".TP\n.B GRIMAZE_HOME\nthe program folder to use instead of the installed one\n"
    ".TP\n.BR XDG_CONFIG_HOME \", \" XDG_DATA_HOME\nmove the settings and the library away from their defaults\n"
    ".SH SEE ALSO\n\\fBgrimaze\\-cli\\fR(1)\n";

const ManualPage kManual = {
    "grimaze", "photo fun with effect templates", kSynopsis, kDescription, kOptions, kExtra,
};

}  // namespace

std::span<const OptionSpec> DesktopOptions() { return kOptions; }

std::string DesktopHelp()
{
    std::string out = std::string("usage: grimaze ") + kSynopsis + "\n\n" + kDescription + "\noptions:\n";
    for (const OptionSpec& o : kOptions) {
        std::string label = std::string("  ") + (o.shortName ? std::string("-") + o.shortName + ", " : "    ") + "--" + o.name;
        label.resize(24, ' ');
        out += label + o.help + "\n";
    }
    return out;
}

const ManualPage& DesktopManual() { return kManual; }

}  // namespace shell
