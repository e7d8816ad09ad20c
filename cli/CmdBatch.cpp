// grimaze-cli batch: one template over many photos.
//
// Threads: the main thread parses and plans; RunBatch (batch/BatchRun.h) renders on the
// workers. The fixed seed is process-wide: it is set once before any worker starts and only
// read afterwards. RunBatch never overlaps the listener's calls, so lines never interleave
// and the listener's own state needs no lock.
#include "batch/BatchRun.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OptionValues.h"
#include "cli/Json.h"
#include "cli/TemplateLookup.h"
#include "engine/PictureTypes.h"
#include "engine/TemplateFile.h"

#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <opencv2/core/utility.hpp>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

using batch::BatchItem;
using batch::BatchListener;
using batch::BatchOutcome;
using batch::CheckBatchNamePattern;
using batch::CheckBatchTemplate;
using batch::ExpandBatchPhotos;
using batch::PlanBatchOutputs;
using batch::RenderJob;
using batch::RunBatch;
using batch::SaveOptions;
using engine::IsWritablePictureName;
using engine::PictureType;
using engine::PictureTypeNamed;
using engine::WritableTypeNames;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"template", 0, "T", ValueKind::Template, "a template definition (.tmpl), a folder holding one, or a template's name"},
    {"out-dir", 0, "DIR", ValueKind::Folder, "where the results go (created when missing)"},
    {"jobs", 'j', "N", ValueKind::Number,
     "photos rendered at once, 1 to 64 (default: the number of processors); each\n"
     "rendering then uses the processors left over, so that the total stays at their number"},
    {"format", 0, "F", ValueKind::PictureType, "jpg (default), png, bmp, tiff or webp"},
    {"quality", 0, "N", ValueKind::Number, "JPEG and WebP quality, 1 to 100 (default 95)"},
    {"name", 0, "PATTERN", ValueKind::Text,
     "how each result is named (default %b.%e): %b the photo's name without its\n"
     "extension, %t the template's name, %n the photo's number (1 for the first),\n"
     "%e the extension of --format, %% a percent sign"},
    {"json", 0, nullptr, ValueKind::None,
     "print one JSON object per photo on standard output as it is done:\n"
     "{\"input\", \"output\", \"ok\", \"error\", \"ms\"}"},
    {"var1", 0, "X", ValueKind::Number, "the template's variable 1, in the template's own units"},
    {"var2", 0, "X", ValueKind::Number, "the template's variable 2"},
    {"var3", 0, "X", ValueKind::Number, "the template's variable 3"},
    {"size", 0, "WxH", ValueKind::Text, "render as the preview does for a view of that size (default: full size)"},
    {"seed", 0, "N", ValueKind::Number, "fix the random seed, so random effects repeat exactly"},
};

constexpr int kMaxJobs = 64;
constexpr int kDefaultQuality = 95;

/**
 * What the user sees while the batch runs: a progress line on stderr when that is a terminal,
 * each failure on stderr, and with --json one object per photo on stdout.
 */
class Progress : public BatchListener {
public:
    Progress(size_t total, bool terminal, bool json) : total_(total), terminal_(terminal), json_(json) {}

    void Started(const BatchItem& item) override { started_[&item] = std::chrono::steady_clock::now(); }

    void Written(const BatchItem& item) override
    {
        ++done_;
        Report(item, {});
        Draw(item.photo);
    }

    void Failed(const BatchItem& item, const std::string& why) override
    {
        ++done_;
        if (terminal_) std::fputs("\r\033[K", stderr);
        std::fprintf(stderr, "grimaze-cli batch: %s: %s\n", item.photo.c_str(), why.c_str());
        std::fflush(stderr);
        Report(item, why);
        Draw(item.photo);
    }

    void Finish()
    {
        if (terminal_ && done_) std::fputs("\r\033[K", stderr);
    }

private:
    void Report(const BatchItem& item, const std::string& error)
    {
        if (!json_) return;
        const auto it = started_.find(&item);
        const long long ms = it == started_.end() ? 0 : MillisecondsSince(it->second);
        std::printf("{\"input\": %s, \"output\": %s, \"ok\": %s, \"error\": %s, \"ms\": %lld}\n", JsonString(item.photo).c_str(),
                    item.out.empty() ? "null" : JsonString(item.out).c_str(), error.empty() ? "true" : "false",
                    error.empty() ? "null" : JsonString(error).c_str(), ms);
        std::fflush(stdout);
    }

    void Draw(const std::string& photo)
    {
        if (!terminal_) return;
        const std::string name = platform::FileName(photo);
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %s", done_, total_, std::string(platform::CutUtf8(name, 60)).c_str());
        std::fflush(stderr);
    }

    size_t total_, done_ = 0;
    bool terminal_, json_;
    std::map<const BatchItem*, std::chrono::steady_clock::time_point> started_;
};

int Run(const Args& args)
{
    const auto templ = args.Value("template");
    const auto outDir = args.Value("out-dir");
    if (!templ) return Fail("batch", "--template is required", 2);
    if (!outDir || outDir->empty()) return Fail("batch", "--out-dir is required", 2);
    if (args.Positional().empty()) return Fail("batch", "name at least one photo", 2);
    for (const std::string& p : args.Positional())
        if (p == "-") return Fail("batch", "batch reads photos from files only; use render for standard input", 2);

    const PictureType* type = PictureTypeNamed(args.Value("format").value_or("jpg"));
    if (!type || !type->writable) return Fail("batch", "--format must be " + WritableTypeNames(), 2);
    const std::string format = type->PreferredExtension().substr(1);
    const std::string pattern = args.Value("name").value_or("%b.%e");
    if (std::string why; !CheckBatchNamePattern(pattern, &why)) return Fail("batch", "--name: " + why, 2);
    if (!platform::EndsWithNoCase(pattern, "%e") && !IsWritablePictureName(pattern))
        return Fail("batch", "--name must end in %e or in the extension of a picture type that can be written", 2);

    SaveOptions save;
    save.quality = kDefaultQuality;
    if (const int rc = ReadQuality(args, "batch", save.quality)) return rc;
    RenderJob base;
    if (const int rc = ReadVariables(args, "batch", base.vars)) return rc;
    if (const int rc = ReadViewSize(args, "batch", base.viewSize)) return rc;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    long long jobs = cores;
    if (const auto j = args.Value("jobs")) {
        if (!ParseInt(*j, jobs) || jobs < 1 || jobs > kMaxJobs)
            return Fail("batch", "--jobs must be a whole number from 1 to " + std::to_string(kMaxJobs), 2);
    }
    if (const int rc = ReadSeed(args, "batch")) return rc;

    std::string error;
    base.templateFile = ResolveTemplate(*templ, &error);
    if (base.templateFile.empty()) return Fail("batch", error);
    Detail("batch", "template " + base.templateFile);
    if (!CheckBatchTemplate(base, &error)) return Fail("batch", error);
    if (!platform::MakeFolders(*outDir)) return Fail("batch", "cannot create the folder " + *outDir);

    const std::vector<std::string> photos = ExpandBatchPhotos(args.Positional());
    if (photos.empty()) return Fail("batch", "no photos found in what was named");
    const std::vector<BatchItem> plan =
        PlanBatchOutputs(photos, *outDir, format, pattern, TemplateDisplayName(base.templateFile));

    // Each photo's rendering runs OpenCV's parallel loops too: share the processors between
    // the photos in flight, so that N photos at once do not start N times as many threads.
    const int workers = static_cast<int>(std::min<long long>(jobs, static_cast<long long>(plan.size())));
    cv::setNumThreads(std::max(1, cores / std::max(1, workers)));
    Detail("batch", std::to_string(workers) + " photos at once, " + std::to_string(cv::getNumThreads()) +
                        " threads for each");

    const bool quiet = CurrentVerbosity() == Verbosity::Quiet;
    Progress progress(plan.size(), !quiet && isatty(STDERR_FILENO) == 1, args.Has("json"));
    const auto start = std::chrono::steady_clock::now();
    const BatchOutcome outcome = RunBatch(plan, base, save, static_cast<int>(jobs), progress);
    progress.Finish();

    Note("batch", std::to_string(outcome.written) + " of " + std::to_string(plan.size()) + " photos written to " + *outDir +
                      " in " + std::to_string(MillisecondsSince(start)) + " ms");
    return outcome.failed ? 1 : 0;
}

}  // namespace

const CliCommand kBatchCommand = {
    "batch",
    "apply one template to many photos, writing the results into a folder",
    "--template T --out-dir DIR [options] PHOTO...",
    "Applies one template to every photo and writes each result into DIR, by default under the\n"
    "photo's own name with the extension of --format. A PHOTO that is a folder stands for the\n"
    "pictures in it. A photo that fails is reported on stderr and the others still get done;\n"
    "the exit code is 1 when any failed.\n",
    kOptions,
    ValueKind::File,
    Run,
};

}  // namespace cli
