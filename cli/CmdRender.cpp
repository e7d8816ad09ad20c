#include "cli/Args.h"
#include "cli/Commands.h"
#include "batch/RenderJob.h"
#include "cli/TemplateLookup.h"

#include "engine/ImageIO.h"
#include "engine/PictureTypes.h"
#include "platform/Clock.h"

#include <cmath>
#include <cstdio>

namespace {

const char* kHelp =
    "usage: grimaze-cli render --template T --photo FILE [--photo FILE ...] --out FILE\n"
    "                          [--var1 X] [--var2 X] [--var3 X] [--roi X,Y,W,H] [--size WxH] [--seed N]\n"
    "                          [--corner I,X,Y ...] [--turn H,V] [--face N] [--align] [--expression E] [--amount X]\n\n"
    "  --template T   a template definition (.tmpl), a folder holding one, or a template's name\n"
    "  --photo FILE   an input photo; repeat for templates that use several\n"
    "  --out FILE     the picture to write; .jpg, .png, .bmp, .tiff or .webp\n"
    "  --varN X       the template's variable N, in the template's own units\n"
    "  --roi X,Y,W,H  the template's region, as fractions of the photo\n"
    "  --size WxH     render as the preview does for a view of that size (default: full size)\n"
    "  --seed N       fix the random seed, so random effects repeat exactly\n"
    "  --corner I,X,Y frame templates: move corner I of the photo's window to pixel X,Y of the\n"
    "                 frame picture (not of the photo; the result has the frame picture's size).\n"
    "                 I is the photo's corner: 0 top-left, 1 top-right, 2 bottom-left,\n"
    "                 3 bottom-right. Repeat for several corners.\n"
    "  --turn H,V     3D templates: turn the model by H radians about its vertical axis (as\n"
    "                 \"Rotate Model\" does) and V about the horizontal axis before rendering\n\n"
    "face templates:\n"
    "  --face N       use the N-th face found on the photo (see grimaze-cli faces)\n"
    "  --align        locate eyes and mouth and line the face up with the template's\n"
    "  --expression E happy, angry or sad (expression templates)\n"
    "  --amount X     how strong the expression is, 0 to 1 (default 0.3)\n";

}  // namespace

int CmdRender(const CommandArgs& argv)
{
    if (WantsHelp(argv)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const Args args(argv, {"template", "photo", "out", "var1", "var2", "var3", "roi", "size", "seed", "corner", "turn", "face",
                           "expression", "amount"},
                    {"align"});
    if (!args.Ok()) return Fail("render", args.Error(), 2);
    if (!args.Positional().empty()) return Fail("render", "unexpected argument \"" + args.Positional()[0] + "\"", 2);
    const auto templ = args.Value("template");
    const auto out = args.Value("out");
    RenderJob job;
    job.photos = args.Values("photo");
    if (!templ) return Fail("render", "--template is required", 2);
    if (job.photos.empty()) return Fail("render", "at least one --photo is required", 2);
    if (!out) return Fail("render", "--out is required", 2);
    if (!IsWritableImageName(*out)) return Fail("render", "--out must end in " + WritableTypeNames("."), 2);

    for (int i = 0; i < 3; ++i) {
        const std::string name = "var" + std::to_string(i + 1);
        if (const auto v = args.Value(name)) {
            double d = 0;
            if (!ParseDouble(*v, d)) return Fail("render", "bad value for --" + name + ": \"" + *v + "\"", 2);
            job.vars[i] = d;
        }
    }
    if (const auto roi = args.Value("roi")) {
        std::vector<double> r;
        if (!ParseList(*roi, 4, r)) return Fail("render", "bad value for --roi: \"" + *roi + "\" (want X,Y,W,H)", 2);
        job.region = cv::Rect2f(float(r[0]), float(r[1]), float(r[2]), float(r[3]));
    }
    if (const auto size = args.Value("size")) {
        int w = 0, h = 0;
        if (!ParseSize(*size, w, h)) return Fail("render", "bad value for --size: \"" + *size + "\" (want WxH)", 2);
        job.viewSize = cv::Size(w, h);
    }
    for (const std::string& c : args.Values("corner")) {
        std::vector<double> v;
        const bool whole = ParseList(c, 3, v) && v[0] == std::floor(v[0]) && v[1] == std::floor(v[1]) &&
                           v[2] == std::floor(v[2]) && std::abs(v[1]) <= 1e6 && std::abs(v[2]) <= 1e6;
        if (!whole || v[0] < 0 || v[0] > 3)
            return Fail("render", "bad value for --corner: \"" + c + "\" (want I,X,Y: I 0 to 3, X and Y whole pixels)", 2);
        job.corners.emplace_back(static_cast<int>(v[0]), cv::Point(static_cast<int>(v[1]), static_cast<int>(v[2])));
    }
    if (const auto turn = args.Value("turn")) {
        std::vector<double> t;
        if (!ParseList(*turn, 2, t)) return Fail("render", "bad value for --turn: \"" + *turn + "\" (want H,V)", 2);
        job.turn = cv::Vec2f(static_cast<float>(t[0]), static_cast<float>(t[1]));
    }
    if (const auto seed = args.Value("seed")) {
        long long s = 0;
        if (!ParseInt(*seed, s) || s < 0 || s > 0xFFFFFFFFLL)
            return Fail("render", "bad value for --seed: \"" + *seed + "\"", 2);
        platform::SetFixedSeed(static_cast<std::uint32_t>(s));
    }

    if (const auto face = args.Value("face")) {
        long long n = 0;
        if (!ParseInt(*face, n) || n < 1 || n > 1000) return Fail("render", "bad value for --face: \"" + *face + "\"", 2);
        job.face = static_cast<int>(n);
    }
    job.align = args.Has("align");
    job.expression = args.Value("expression");
    if (const auto amount = args.Value("amount")) {
        double a = 0;
        if (!ParseDouble(*amount, a)) return Fail("render", "bad value for --amount: \"" + *amount + "\"", 2);
        job.amount = a;
    }

    std::string error;
    job.templateFile = ResolveTemplate(*templ, &error);
    if (job.templateFile.empty()) return Fail("render", error);
    const cv::Mat result = RunRenderJob(job, error);
    if (result.empty()) return Fail("render", error);
    if (!SaveImage(*out, result, &error)) return Fail("render", "cannot write " + *out + ": " + error);
    return 0;
}
