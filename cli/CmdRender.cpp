#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OptionValues.h"
#include "batch/RenderJob.h"
#include "cli/TemplateLookup.h"

#include "cli/Streams.h"
#include "engine/ImageCodecs.h"
#include "engine/ImageIO.h"
#include "engine/PictureTypes.h"
#include "platform/Clock.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using batch::RenderJob;
using batch::RunRenderJob;
using engine::EncodeImage;
using engine::PictureType;
using engine::PictureTypeNamed;
using engine::PictureTypeOfFile;
using engine::SaveImage;
using engine::WritableTypeNames;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"template", 0, "T", ValueKind::Template, "a template definition (.tmpl), a folder holding one, or a template's name"},
    {"photo", 0, "FILE", ValueKind::File, "an input photo, - for standard input; repeat for templates that use several"},
    {"out", 0, "FILE", ValueKind::File,
     "the picture to write: .jpg, .png, .bmp, .tiff or .webp; - writes it to standard output\n"
     "in the format --format names"},
    {"format", 0, "F", ValueKind::PictureType, "the format of --out -: jpg, png, bmp, tiff or webp (default png)"},
    {"quality", 0, "N", ValueKind::Number, "JPEG and WebP quality, 1 to 100 (default 95)"},
    {"var1", 0, "X", ValueKind::Number, "the template's variable 1, in the template's own units"},
    {"var2", 0, "X", ValueKind::Number, "the template's variable 2"},
    {"var3", 0, "X", ValueKind::Number, "the template's variable 3"},
    {"roi", 0, "X,Y,W,H", ValueKind::Text, "the template's region, as fractions of the photo"},
    {"size", 0, "WxH", ValueKind::Text, "render as the preview does for a view of that size (default: full size)"},
    {"seed", 0, "N", ValueKind::Number, "fix the random seed, so random effects repeat exactly"},
    {"corner", 0, "I,X,Y", ValueKind::Text,
     "frame templates: move corner I of the photo's window to pixel X,Y of the\n"
     "frame picture (not of the photo; the result has the frame picture's size).\n"
     "I is the photo's corner: 0 top-left, 1 top-right, 2 bottom-left,\n"
     "3 bottom-right. Repeat for several corners."},
    {"turn", 0, "H,V", ValueKind::Text,
     "3D templates: turn the model by H radians about its vertical axis (as\n"
     "\"Rotate Model\" does) and V about the horizontal axis before rendering"},
    {"face", 0, "N", ValueKind::Number, "face templates: use the N-th face found on the photo (see grimaze-cli faces)"},
    {"align", 0, nullptr, ValueKind::None, "face templates: locate eyes and mouth and line the face up with the template's"},
    {"expression", 0, "E", ValueKind::Expression, "expression templates: happy, angry or sad"},
    {"amount", 0, "X", ValueKind::Number, "expression templates: how strong the expression is, 0 to 1 (default 0.3)"},
};

constexpr int kDefaultQuality = 95;

}  // namespace


namespace {

/** Where and how the picture goes. */
struct Output {
    std::string path;  ///< "-" for standard output
    const PictureType* type = nullptr;
    int quality = kDefaultQuality;
    bool ToStdout() const { return path == "-"; }
};

/** 0, or the exit code of a bad --out, --format or --quality. */
int ParseOutput(const Args& args, Output& o)
{
    const bool toStdout = o.ToStdout();
    o.type = toStdout ? PictureTypeNamed(args.Value("format").value_or("png")) : PictureTypeOfFile(o.path);
    if (!o.type || !o.type->writable) {
        if (toStdout) return Fail("render", "--format must be " + WritableTypeNames(), 2);
        return Fail("render", "--out must end in " + WritableTypeNames(".") + ", or be - for standard output", 2);
    }
    if (const auto f = args.Value("format"); f && !toStdout && PictureTypeNamed(*f) != o.type)
        return Fail("render", "--format " + *f + " disagrees with the name " + o.path + "; --format is for --out -", 2);
    if (toStdout && isatty(STDOUT_FILENO))
        return Fail("render", "will not write a picture to a terminal; redirect standard output to a file or a pipe", 2);
    return ReadQuality(args, "render", o.quality);
}

/** --var1..3, --roi and --size; 0 or the exit code of a bad value. */
int ParseTemplateValues(const Args& args, RenderJob& job)
{
    if (const int rc = ReadVariables(args, "render", job.vars)) return rc;
    if (const auto roi = args.Value("roi")) {
        std::vector<double> r;
        if (!ParseList(*roi, 4, r)) return Fail("render", "bad value for --roi: \"" + *roi + "\" (want X,Y,W,H)", 2);
        job.region = cv::Rect2f(float(r[0]), float(r[1]), float(r[2]), float(r[3]));
    }
    return ReadViewSize(args, "render", job.viewSize);
}

/** --corner, --turn and --seed; 0 or the exit code of a bad value. */
int ParseShapeValues(const Args& args, RenderJob& job)
{
    for (const std::string& c : args.Values("corner")) {
        std::vector<double> v;
        const bool whole = ParseList(c, 3, v) && v[0] == std::floor(v[0]) && v[1] == std::floor(v[1]) &&
                           v[2] == std::floor(v[2]) && std::abs(v[1]) <= 1e6 && std::abs(v[2]) <= 1e6;
        if (!whole || v[0] < 0 || v[0] > 3)
            return Fail("render", "bad value for --corner: \"" + c + "\" (want I,X,Y: I 0 to 3, X and Y whole pixels)", 2);
        job.corners.emplace_back(static_cast<int>(v[0]), cv::Point(static_cast<int>(v[1]), static_cast<int>(v[2])));
    }
    if (const int rc = ReadTurn(args, "render", job.turn)) return rc;
    return ReadSeed(args, "render");
}

/** --face, --align, --expression and --amount; 0 or the exit code of a bad value. */
int ParseFaceValues(const Args& args, RenderJob& job)
{
    if (const int rc = ReadFaceNumber(args, "render", job.face)) return rc;
    job.align = args.Has("align");
    job.expression = args.Value("expression");
    if (const auto amount = args.Value("amount")) {
        double a = 0;
        if (!ParseDouble(*amount, a)) return Fail("render", "bad value for --amount: \"" + *amount + "\"", 2);
        job.amount = a;
    }
    return 0;
}

int WriteResult(const cv::Mat& result, const Output& out)
{
    std::string error;
    if (out.ToStdout()) {
        std::string bytes;
        if (!EncodeImage(result, out.type->PreferredExtension(), bytes, out.quality, &error) || !WriteStdout(bytes, &error))
            return Fail("render", "cannot write the picture: " + error);
        return 0;
    }
    if (!SaveImage(out.path, result, &error, out.quality)) return Fail("render", "cannot write " + out.path + ": " + error);
    return 0;
}

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("render", "unexpected argument \"" + args.Positional()[0] + "\"", 2);
    const auto templ = args.Value("template");
    const auto outPath = args.Value("out");
    RenderJob job;
    job.photos = args.Values("photo");
    if (!templ) return Fail("render", "--template is required", 2);
    if (job.photos.empty()) return Fail("render", "at least one --photo is required", 2);
    if (!outPath) return Fail("render", "--out is required", 2);
    Output out;
    out.path = *outPath;
    if (const int rc = ParseOutput(args, out)) return rc;
    if (std::count(job.photos.begin(), job.photos.end(), "-") > 1)
        return Fail("render", "standard input can give only one photo", 2);
    if (const int rc = ParseTemplateValues(args, job)) return rc;
    if (const int rc = ParseShapeValues(args, job)) return rc;
    if (const int rc = ParseFaceValues(args, job)) return rc;

    std::string error;
    job.templateFile = ResolveTemplate(*templ, &error);
    if (job.templateFile.empty()) return Fail("render", error);
    Detail("render", "template " + job.templateFile);
    StdinPhoto stdinPhoto;
    for (std::string& photo : job.photos) {
        if (photo != "-") continue;
        if (!stdinPhoto.Read(&error)) return Fail("render", error);
        photo = stdinPhoto.Path();
    }
    const auto start = std::chrono::steady_clock::now();
    const cv::Mat result = RunRenderJob(job, &error);
    if (result.empty()) return Fail("render", stdinPhoto.Explain(error));
    Detail("render", "rendered in " + std::to_string(MillisecondsSince(start)) + " ms");
    return WriteResult(result, out);
}

}  // namespace

const CliCommand kRenderCommand = {
    "render",
    "apply a template to photos and write the picture",
    "--template T --photo FILE [--photo FILE ...] --out FILE [options]\n"
    "--template T --photo - --out - --format F [options] < photo > picture",
    "Applies a template to the photos and writes the result: at full size, as the program's\n"
    "export does, or with --size as the preview shows it for a view of that size.\n"
    "\n"
    "A photo given as - is read from standard input; --out - writes the picture to standard\n"
    "output in the format --format names. Nothing else is ever written to standard output.\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
