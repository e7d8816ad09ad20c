// grimaze-cli batch: one template over many photos.
//
// Threads: the main thread parses and plans; RunBatch (batch/BatchRun.h) renders on the
// workers. The fixed seed is process-wide: it is set once before any worker starts and only
// read afterwards. RunBatch never overlaps the listener's calls, so lines never interleave.
#include "batch/BatchRun.h"
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/TemplateLookup.h"
#include "engine/PictureTypes.h"

#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

const char* kHelp =
    "usage: grimaze-cli batch --template T --out-dir DIR [--jobs N] [--format F]\n"
    "                         [--var1 X] [--var2 X] [--var3 X] [--size WxH] [--seed N] PHOTO...\n\n"
    "Applies one template to every photo and writes each result into DIR under the photo's own\n"
    "name with the chosen extension (default jpg). A PHOTO that is a folder stands for the\n"
    "pictures in it. A photo that fails is reported and the others still get done; the exit\n"
    "code is 1 when any failed.\n\n"
    "  --template T   a template definition (.tmpl), a folder holding one, or a template's name\n"
    "  --out-dir DIR  where the results go (created when missing)\n"
    "  --jobs N       photos rendered at once (default: the number of processors)\n"
    "  --format F     jpg, png, bmp, tiff or webp\n"
    "  --varN X       the template's variable N, in the template's own units\n"
    "  --size WxH     render as the preview does for a view of that size (default: full size)\n"
    "  --seed N       fix the random seed, so random effects repeat exactly\n";

constexpr int kMaxJobs = 64;

/** The terminal's progress line and the failures on stderr; RunBatch never overlaps the calls. */
class Progress : public BatchListener {
public:
    Progress(size_t total, bool terminal) : total_(total), terminal_(terminal) {}

    void Written(const BatchItem& item) override
    {
        ++done_;
        Draw(item.photo);
    }

    void Failed(const BatchItem& item, const std::string& why) override
    {
        const std::string& photo = item.photo;
        ++done_;
        if (terminal_) {
            std::fputs("\r\033[K", stdout);
            std::fflush(stdout);
        }
        std::fprintf(stderr, "grimaze-cli batch: %s: %s\n", photo.c_str(), why.c_str());
        std::fflush(stderr);
        Draw(photo);
    }

    void Finish()
    {
        if (terminal_ && done_) std::fputs("\r\033[K", stdout);
    }

private:
    void Draw(const std::string& photo)
    {
        if (!terminal_) return;
        const std::string name = platform::FileName(photo);
        std::fprintf(stdout, "\r\033[K[%zu/%zu] %s", done_, total_, std::string(platform::CutUtf8(name, 60)).c_str());
        std::fflush(stdout);
    }

    size_t total_, done_ = 0;
    bool terminal_;
};

}  // namespace

int CmdBatch(const CommandArgs& argv)
{
    if (WantsHelp(argv)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const Args args(argv, {"template", "out-dir", "jobs", "format", "var1", "var2", "var3", "size", "seed"}, {});
    if (!args.Ok()) return Fail("batch", args.Error(), 2);
    const auto templ = args.Value("template");
    const auto outDir = args.Value("out-dir");
    if (!templ) return Fail("batch", "--template is required", 2);
    if (!outDir || outDir->empty()) return Fail("batch", "--out-dir is required", 2);
    if (args.Positional().empty()) return Fail("batch", "name at least one photo", 2);

    const PictureType* type = PictureTypeNamed(args.Value("format").value_or("jpg"));
    if (!type || !type->writable) return Fail("batch", "--format must be " + WritableTypeNames(), 2);
    const std::string format = type->PreferredExtension().substr(1);

    RenderJob base;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "var" + std::to_string(i + 1);
        if (const auto v = args.Value(name)) {
            double d = 0;
            if (!ParseDouble(*v, d)) return Fail("batch", "bad value for --" + name + ": \"" + *v + "\"", 2);
            base.vars[i] = d;
        }
    }
    if (const auto size = args.Value("size")) {
        int w = 0, h = 0;
        if (!ParseSize(*size, w, h)) return Fail("batch", "bad value for --size: \"" + *size + "\" (want WxH)", 2);
        base.viewSize = cv::Size(w, h);
    }
    long long jobs = std::max(1u, std::thread::hardware_concurrency());
    if (const auto j = args.Value("jobs")) {
        if (!ParseInt(*j, jobs) || jobs < 1 || jobs > kMaxJobs)
            return Fail("batch", "--jobs must be a whole number from 1 to " + std::to_string(kMaxJobs), 2);
    }
    if (const auto seed = args.Value("seed")) {
        long long s = 0;
        if (!ParseInt(*seed, s) || s < 0 || s > 0xFFFFFFFFLL) return Fail("batch", "bad value for --seed: \"" + *seed + "\"", 2);
        platform::SetFixedSeed(static_cast<std::uint32_t>(s));
    }

    std::string error;
    base.templateFile = ResolveTemplate(*templ, &error);
    if (base.templateFile.empty()) return Fail("batch", error);
    if (!CheckBatchTemplate(base, error)) return Fail("batch", error);
    if (!platform::MakeFolders(*outDir)) return Fail("batch", "cannot create the folder " + *outDir);

    const std::vector<std::string> photos = ExpandBatchPhotos(args.Positional());
    if (photos.empty()) return Fail("batch", "no photos found in what was named");
    const std::vector<BatchItem> plan = PlanBatchOutputs(photos, *outDir, format);

    Progress progress(plan.size(), isatty(STDOUT_FILENO) == 1);
    SaveOptions save;
    save.quality = 95;
    const BatchOutcome outcome = RunBatch(plan, base, save, static_cast<int>(jobs), progress);
    progress.Finish();

    std::printf("%zu of %zu photos written to %s\n", outcome.written, plan.size(), outDir->c_str());
    return outcome.failed ? 1 : 0;
}
