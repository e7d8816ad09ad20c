// grimaze-cli batch: one template over many photos.
//
// Threads: the main thread parses, plans the outputs and starts the workers; each worker
// takes the next photo from a shared counter and renders it with its own photo document and
// its own template instance (RunRenderJob), so workers share no rendering state. The fixed
// seed is process-wide: it is set once before any worker starts and only read afterwards.
// One mutex guards the progress line and the failure messages, so lines never interleave.
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/RenderJob.h"
#include "cli/TemplateLookup.h"

#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "engine/TemplateFile.h"
#include "platform/Clock.h"
#include "platform/Folders.h"
#include "platform/Text.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace {

const char* kHelp =
    "usage: grimaze-cli batch --template T --out-dir DIR [--jobs N] [--format jpg|png|bmp]\n"
    "                         [--var1 X] [--var2 X] [--var3 X] [--size WxH] [--seed N] PHOTO...\n\n"
    "Applies one template to every photo and writes each result into DIR under the photo's own\n"
    "name with the chosen extension (default jpg). A PHOTO that is a folder stands for the\n"
    "pictures in it. A photo that fails is reported and the others still get done; the exit\n"
    "code is 1 when any failed.\n\n"
    "  --template T   a template definition (.tmpl), a folder holding one, or a template's name\n"
    "  --out-dir DIR  where the results go (created when missing)\n"
    "  --jobs N       photos rendered at once (default: the number of processors)\n"
    "  --format F     jpg, png or bmp\n"
    "  --varN X       the template's variable N, in the template's own units\n"
    "  --size WxH     render as the preview does for a view of that size (default: full size)\n"
    "  --seed N       fix the random seed, so random effects repeat exactly\n";

constexpr int kMaxJobs = 64;

bool IsPictureName(const std::string& name)
{
    for (const char* ext : {".jpg", ".jpeg", ".png", ".bmp", ".tif", ".tiff", ".webp"})
        if (platform::EndsWithNoCase(name, ext)) return true;
    return false;
}

/** The photos named on the command line, folders replaced by the pictures in them (sorted). */
std::vector<std::string> ExpandPhotos(const std::vector<std::string>& args)
{
    std::vector<std::string> photos;
    for (const std::string& a : args) {
        if (!platform::IsFolder(a)) {
            photos.push_back(a);
            continue;
        }
        std::vector<std::string> inFolder;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(a, ec))
            if (e.is_regular_file(ec) && IsPictureName(e.path().filename().string())) inFolder.push_back(e.path().string());
        std::sort(inFolder.begin(), inFolder.end());
        photos.insert(photos.end(), inFolder.begin(), inFolder.end());
    }
    return photos;
}

struct Planned {
    std::string photo;
    std::string out;
    std::string error;  ///< set when the photo cannot even be attempted
};

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

/**
 * Output names: the photo's name with the new extension. Two photos that would write the
 * same file, or a result that would replace its own photo, are refused rather than lost.
 */
std::vector<Planned> PlanOutputs(const std::vector<std::string>& photos, const std::string& dir, const std::string& ext)
{
    std::vector<Planned> plan;
    std::map<std::string, std::string> taken;  // output name (lower case) -> photo
    for (const std::string& photo : photos) {
        Planned p{photo, {}, {}};
        const std::string stem = std::filesystem::path(photo).stem().string();
        if (stem.empty() || stem == "." || stem == "..") {
            p.error = "not a photo file name";
        } else {
            p.out = platform::JoinPath(dir, stem + "." + ext);
            const auto [it, fresh] = taken.emplace(platform::ToLowerAscii(p.out), photo);
            if (!fresh) p.error = "its result would have the same name as that of " + it->second;
            else if (SameFile(p.out, photo)) p.error = "its result would replace the photo itself";
        }
        plan.push_back(p);
    }
    return plan;
}

/** Checks the template and the variable values once, instead of failing every photo alike. */
bool CheckTemplate(const std::string& file, const std::optional<double> (&vars)[3], std::string& error)
{
    CPhotoDocument doc;
    RefPtr<CEffectTemplate> t = OpenTemplate(file, &doc, &error);
    if (!t) return false;
    auto* simple = dynamic_cast<CT_SimpleTempl*>(t.get());
    for (int i = 0; i < 3; ++i) {
        if (!vars[i]) continue;
        if (!simple) {
            error = "this template has no variables to set";
            return false;
        }
        const auto& spec = simple->Variable(i);
        const double lo = std::min(spec.min, spec.max), hi = std::max(spec.min, spec.max);
        if (*vars[i] < lo || *vars[i] > hi) {
            char buf[160];
            std::snprintf(buf, sizeof buf, "--var%d %g is outside the template's range %g to %g", i + 1, *vars[i], lo, hi);
            error = buf;
            return false;
        }
    }
    return true;
}

class Progress {
public:
    Progress(size_t total, bool terminal) : total_(total), terminal_(terminal) {}

    void Done(const std::string& photo)
    {
        std::lock_guard lock(m_);
        ++done_;
        Draw(photo);
    }

    void Failed(const std::string& photo, const std::string& why)
    {
        std::lock_guard lock(m_);
        ++done_;
        ++failed_;
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
        std::lock_guard lock(m_);
        if (terminal_ && done_) std::fputs("\r\033[K", stdout);
    }

    size_t FailedCount() const { return failed_; }

private:
    void Draw(const std::string& photo)
    {
        if (!terminal_) return;
        const std::string name = platform::FileName(photo);
        std::fprintf(stdout, "\r\033[K[%zu/%zu] %s", done_, total_, std::string(platform::CutUtf8(name, 60)).c_str());
        std::fflush(stdout);
    }

    std::mutex m_;
    size_t total_, done_ = 0, failed_ = 0;
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

    std::string format = platform::ToLowerAscii(args.Value("format").value_or("jpg"));
    if (format == "jpeg") format = "jpg";
    if (format != "jpg" && format != "png" && format != "bmp")
        return Fail("batch", "--format must be jpg, png or bmp", 2);

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
    if (!CheckTemplate(base.templateFile, base.vars, error)) return Fail("batch", error);
    if (!platform::MakeFolders(*outDir)) return Fail("batch", "cannot create the folder " + *outDir);

    const std::vector<std::string> photos = ExpandPhotos(args.Positional());
    if (photos.empty()) return Fail("batch", "no photos found in what was named");
    const std::vector<Planned> plan = PlanOutputs(photos, *outDir, format);

    Progress progress(plan.size(), isatty(STDOUT_FILENO) == 1);
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i = next++; i < plan.size(); i = next++) {
            const Planned& p = plan[i];
            if (!p.error.empty()) {
                progress.Failed(p.photo, p.error);
                continue;
            }
            RenderJob job = base;
            job.photos = {p.photo};
            std::string why;
            const cv::Mat result = RunRenderJob(job, why);
            if (result.empty()) {
                // The line already starts with the photo's name; say it once.
                const std::string again = "cannot read photo " + p.photo + ": ";
                if (why.rfind(again, 0) == 0) why = "cannot read it: " + why.substr(again.size());
                progress.Failed(p.photo, why);
            } else if (!SaveImage(p.out, result, &why)) {
                progress.Failed(p.photo, "cannot write " + p.out + ": " + why);
            } else {
                progress.Done(p.photo);
            }
        }
    };
    const size_t workers = std::min<size_t>(static_cast<size_t>(jobs), plan.size());
    std::vector<std::thread> threads;
    for (size_t i = 1; i < workers; ++i) threads.emplace_back(work);
    work();
    for (std::thread& t : threads) t.join();
    progress.Finish();

    const size_t failed = progress.FailedCount();
    std::printf("%zu of %zu photos written to %s\n", plan.size() - failed, plan.size(), outDir->c_str());
    return failed ? 1 : 0;
}
