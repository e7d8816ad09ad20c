// SPDX-License-Identifier: MIT
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/Options.h"

#include <atomic>
#include <cstdio>
#include <sstream>

namespace cli {

namespace {

const OptionSpec kCommon[] = {
    {"help", 'h', nullptr, ValueKind::None, "show what the command does and its options, then stop"},
    {"quiet", 'q', nullptr, ValueKind::None, "say nothing on stderr but errors (no progress, no notes)"},
    {"verbose", 'v', nullptr, ValueKind::None, "say more on stderr: the template file used, the time each step took"},
};

std::atomic<int> g_verbosity{static_cast<int>(Verbosity::Normal)};

constexpr size_t kHelpColumn = 24;

/** "-q, --quiet" or "    --template T". */
std::string OptionLabel(const OptionSpec& o)
{
    std::string label = o.shortName ? std::string("-") + o.shortName + ", " : "    ";
    label += "--" + std::string(o.name);
    if (o.value) label += " " + std::string(o.value);
    return label;
}

void AppendOptions(std::string& out, std::span<const OptionSpec> options)
{
    for (const OptionSpec& o : options) {
        std::string label = "  " + OptionLabel(o);
        std::istringstream lines(o.help);
        std::string line;
        bool first = true;
        while (std::getline(lines, line)) {
            if (first && label.size() + 1 < kHelpColumn) {
                out += label + std::string(kHelpColumn - label.size(), ' ') + line + "\n";
            } else {
                if (first) out += label + "\n";
                out += std::string(kHelpColumn, ' ') + line + "\n";
            }
            first = false;
        }
    }
}

}  // namespace

std::span<const OptionSpec> CommonOptions() { return kCommon; }

const CliCommand* FindCommand(std::string_view name)
{
    for (const CliCommand* c : CliCommands())
        if (name == c->name) return c;
    return nullptr;
}

std::string ProgramHelp()
{
    std::string out = "usage: grimaze-cli COMMAND [options]   (grimaze-cli COMMAND --help for more)\n"
                      "       grimaze-cli --version\n\ncommands:\n";
    for (const CliCommand* c : CliCommands()) {
        char line[160];
        std::snprintf(line, sizeof line, "  %-13s %s\n", c->name, c->summary);
        out += line;
    }
    out += "\noptions every command takes:\n";
    AppendOptions(out, CommonOptions());
    out += "\nExit codes: 0 success, 1 failure (a line on stderr says why), 2 wrong arguments.\n";
    return out;
}

std::string CommandHelp(const CliCommand& c)
{
    std::string out;
    std::istringstream forms(*c.synopsis ? c.synopsis : "\n");
    std::string form;
    bool first = true;
    while (std::getline(forms, form)) {
        out += std::string(first ? "usage: " : "       ") + "grimaze-cli " + c.name + (form.empty() ? "" : " " + form) + "\n";
        first = false;
    }
    out += "\n" + std::string(c.description);
    if (!out.empty() && out.back() != '\n') out += "\n";
    if (!c.options.empty()) {
        out += "\noptions:\n";
        AppendOptions(out, c.options);
    }
    out += "\ncommon options:\n";
    AppendOptions(out, CommonOptions());
    return out;
}

int RunCommand(const CliCommand& c, const std::vector<std::string>& argv)
{
    // Help wins over everything else on the line, even over words that would be wrong.
    for (const std::string& a : argv) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            std::fputs(CommandHelp(c).c_str(), stdout);
            return 0;
        }
    }
    const Args args(argv, c.options);
    if (!args.Ok()) {
        std::fprintf(stderr, "grimaze-cli %s: %s (grimaze-cli %s --help lists the options)\n", c.name, args.Error().c_str(),
                     c.name);
        return 2;
    }
    if (args.Has("quiet") && args.Has("verbose")) return Fail(c.name, "--quiet and --verbose contradict each other", 2);
    SetVerbosity(args.Has("quiet") ? Verbosity::Quiet : args.Has("verbose") ? Verbosity::Verbose : Verbosity::Normal);
    return c.run(args);
}

void SetVerbosity(Verbosity v) { g_verbosity = static_cast<int>(v); }
Verbosity CurrentVerbosity() { return static_cast<Verbosity>(g_verbosity.load()); }

void Note(const char* command, const std::string& message)
{
    if (CurrentVerbosity() == Verbosity::Quiet) return;
    std::fprintf(stderr, "grimaze-cli %s: %s\n", command, message.c_str());
}

void Detail(const char* command, const std::string& message)
{
    if (CurrentVerbosity() != Verbosity::Verbose) return;
    std::fprintf(stderr, "grimaze-cli %s: %s\n", command, message.c_str());
}

int Fail(const char* command, const std::string& message, int code)
{
    std::fprintf(stderr, "grimaze-cli %s: %s\n", command, message.c_str());
    return code;
}

}  // namespace cli
