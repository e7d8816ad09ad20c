#include "cli/Args.h"
#include "cli/Commands.h"

#include "library/GalleryModel.h"
#include "library/TemplateDownload.h"
#include "library/TemplateLibrary.h"
#include "platform/Folders.h"
#include "platform/Notify.h"
#include "platform/Text.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"again", 0, nullptr, ValueKind::None, "download a template that was downloaded before once more"},
};

constexpr platform::WindowId kGalleryWindow = 1;

/** Hands the download report over to the main thread; everything else is dropped. */
class ReportQueue final : public platform::NotificationSink {
public:
    void Post(platform::WindowId window, int code, std::intptr_t a, std::intptr_t b) override
    {
        if (window != kGalleryWindow || code != platform::msg::DownloadFinished) return;
        {
            std::lock_guard lock(mutex_);
            reports_.push_back({a, b});
        }
        cv_.notify_all();
    }
    std::intptr_t Send(platform::WindowId, int, std::intptr_t, std::intptr_t) override { return 0; }
    void SetTimer(platform::WindowId, int, int) override {}
    void KillTimer(platform::WindowId, int) override {}
    void SetCursor(platform::CursorShape) override {}
    void Invalidate(platform::WindowId) override {}

    std::pair<std::intptr_t, std::intptr_t> Wait()
    {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return !reports_.empty(); });
        auto r = reports_.front();
        reports_.pop_front();
        return r;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::pair<std::intptr_t, std::intptr_t>> reports_;
};

/** The group and index of the entry named name (exact first, then letter case aside). */
bool FindEntry(library::GalleryGroup& g, const std::string& name, bool exact, library::GalleryGroup*& group, int& index)
{
    for (size_t i = 0; i < g.entries.size(); ++i) {
        const std::string& n = g.entries[i].item->name;
        if (exact ? n == name : platform::EqualsNoCase(n, name)) {
            group = &g;
            index = static_cast<int>(i);
            return true;
        }
    }
    for (auto& child : g.children)
        if (FindEntry(*child, name, exact, group, index)) return true;
    return false;
}

int Run(const Args& args)
{
    if (args.Positional().size() != 1) return Fail("download", "give the name of one online template", 2);
    const std::string name = args.Positional()[0];

    library::CTemplateLibrary lib;
    if (!lib.LoadTemplateLibrary()) return Fail("download", "no readable config.cfg in " + platform::ProgramFolder());
    if (!lib.LoadErrors().empty()) return Fail("download", lib.LoadErrors().front());
    library::CTemplateDownloader downloader;
    library::CGalleryModel gallery(lib);
    gallery.SetWindows(kGalleryWindow, 0, 0);
    gallery.SetDownloader(&downloader);
    gallery.Fill();

    library::GalleryGroup* group = nullptr;
    int index = -1;
    auto& root = const_cast<library::GalleryGroup&>(gallery.Root());
    if (!FindEntry(root, name, true, group, index) && !FindEntry(root, name, false, group, index))
        return Fail("download", "no template named \"" + name + "\" (see grimaze-cli templates)");
    library::GalleryEntry& entry = group->entries[static_cast<size_t>(index)];
    library::TemplateItem* item = entry.item;
    if (entry.state == library::kEntryLocal)
        return Fail("download", "\"" + item->name + "\" is not an online template; it is ready to use");
    if (entry.state == library::kEntryDownloaded && !args.Has("again")) {
        std::printf("%s is already downloaded: %s (use --again to download it once more)\n", item->name.c_str(),
                    item->filepath.c_str());
        return 0;
    }
    if (entry.state == library::kEntryDownloaded) entry.state = library::kEntryFailed;  // may start again

    ReportQueue reports;
    platform::InstallSink(&reports);
    std::fprintf(stderr, "downloading %s from %s\n", item->name.c_str(), item->url.c_str());
    if (!gallery.StartDownload(*group, index)) {
        platform::InstallSink(nullptr);
        return Fail("download", "cannot start the download of \"" + item->name + "\"");
    }
    const auto [id, ok] = reports.Wait();
    gallery.OnDownloadFinished(static_cast<int>(id), ok != 0);
    platform::InstallSink(nullptr);

    // Saved as at shutdown: what failed is recorded as not downloaded.
    std::string saveError;
    const bool saved = lib.SaveTemplateLibrary(&saveError);
    if (entry.state != library::kEntryDownloaded)
        return Fail("download", "cannot download \"" + item->name + "\": " + gallery.LastDownloadError(item));
    if (!saved) return Fail("download", "downloaded, but the library could not be saved: " + saveError);
    std::printf("downloaded %s: %s\n", item->name.c_str(), item->filepath.c_str());
    return 0;
}

}  // namespace

const CliCommand kDownloadCommand = {
    "download",
    "download an online template into the library",
    "NAME [--again]",
    "Downloads the online template NAME (as \"grimaze-cli templates\" lists it; letter case aside)\n"
    "from the vendor's site, unpacks it into its library folder and records it as downloaded in\n"
    "the library's template.cfg, as the gallery does on a double click. The archive stays in\n"
    "<documents>/Kestrovo/Grimaze/Download/.\n"
    "\n"
    "The site address is the \"siteUrl\" setting, or GRIMAZE_SITE_URL when set.\n"
    "Exit code 1 when the template is unknown, not an online template, or the download fails.\n",
    kOptions,
    ValueKind::Template,
    Run,
};

}  // namespace cli
