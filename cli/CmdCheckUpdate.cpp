#include "cli/Args.h"
#include "cli/Commands.h"

#include "i18n/LanguageManager.h"
#include "platform/Notify.h"
#include "settings/GrimazeSettings.h"
#include "update/VendorSite.h"
#include "update/VersionCheck.h"

#include <cstdio>
#include <mutex>
#include <string>

using settings::GrimazeSettings;
using settings::LoadGrimazeSettings;

namespace cli {

namespace {

constexpr platform::WindowId kReceiver = 1;

/** Keeps the one report of the check. */
class ReportSink final : public platform::NotificationSink {
public:
    void Post(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b) override
    {
        std::lock_guard lock(mutex_);
        if (window == kReceiver && code_ == 0) {
            code_ = code;
            a_ = a;
            b_ = b;
        }
    }
    std::intptr_t Send(platform::WindowId, int, std::intptr_t, std::intptr_t) override { return 0; }
    void SetTimer(platform::WindowId, int, int) override {}
    void KillTimer(platform::WindowId, int) override {}
    void SetCursor(platform::CursorShape) override {}
    void Invalidate(platform::WindowId) override {}

    std::mutex mutex_;
    int code_ = 0;
    std::intptr_t a_ = 0, b_ = 0;
};

std::string WithoutLeadingBreaks(std::string s)
{
    const size_t p = s.find_first_not_of("\r\n");
    return p == std::string::npos ? std::string() : s.substr(p);
}

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("check-update", "takes no arguments", 2);
    LoadGrimazeSettings(false);  // read-only: the command-line tool never writes the settings
    std::string language = GrimazeSettings().language;
    i18n::Languages().Choose(language, GrimazeSettings().languageAuto);

    ReportSink sink;
    platform::InstallSink(&sink);
    update::SetVersionReceiver(kReceiver);
    update::CheckVersionWorker(update::ProgramVersion());
    update::ClearVersionReceiver(kReceiver);
    platform::InstallSink(nullptr);

    const std::string text = WithoutLeadingBreaks(update::VersionReportText(sink.code_, sink.a_, sink.b_));
    switch (sink.code_) {
    case platform::msg::NewerVersion:
        std::printf("%s\n%s\n", text.c_str(), update::DownloadPageUrl().c_str());
        return 0;
    case platform::msg::UpToDate:
        std::printf("%s\n", text.c_str());
        return 0;
    default:
        return Fail("check-update", text.empty() ? "the check did not report back" : text);
    }
}

}  // namespace

const CliCommand kCheckUpdateCommand = {
    "check-update",
    "ask the vendor's site whether a newer version exists",
    "",
    "Asks the vendor's site whether a newer version of Grimaze exists, as the menu entry\n"
    "\"Check for new update...\" does, and prints the answer in the current language.\n"
    "The site address is the \"siteUrl\" setting, or GRIMAZE_SITE_URL when set.\n"
    "\n"
    "Exit code 0 when the check worked (whether or not there is a newer version), 1 when it failed.\n",
    {},
    ValueKind::None,
    Run,
};

}  // namespace cli
