#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/OptionValues.h"
#include "batch/FaceJob.h"
#include "batch/RenderJob.h"
#include "cli/Streams.h"
#include "cli/TemplateLookup.h"

#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "face/CT_Face.h"
#include "mesh3d/CT_3DMesh.h"
#include "platform/Failure.h"
#include "platform/Text.h"

#include <cstdio>
#include <unistd.h>

using batch::PrepareFaceJob;
using batch::RenderJob;
using batch::SelectJobPhotos;
using engine::CEffectTemplate;
using engine::CPhotoDocument;
using engine::OpenTemplate;
using engine::RefPtr;
using face::CT_Face;
using mesh3d::CT_3DMesh;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"template", 0, "T", ValueKind::Template, "a template definition (.tmpl), a folder holding one, or a template's name"},
    {"photo", 0, "FILE", ValueKind::File, "an input photo; repeat for templates that use several"},
    {"out", 0, "FILE", ValueKind::File, "the GIF to write, or - for standard output"},
    {"frames", 0, "N", ValueKind::Number, "3D templates: number of frames, 1 to 1000 (default 36)"},
    {"max", 0, "WxH", ValueKind::Text,
     "largest frame size; the picture keeps its shape (default 400x400; 200x200\n"
     "for expressions, whose face is never enlarged)"},
    {"turn", 0, "H,V", ValueKind::Text, "3D templates: the pose to start from, turned by H and V radians"},
    {"face", 0, "N", ValueKind::Number, "expression templates: use the N-th face found on the photo"},
    {"expression", 0, "E", ValueKind::Expression, "expression templates: happy (default), angry or sad"},
};

constexpr int kDefaultFrames = 36;
constexpr int kMaxFrames = 1000;
const cv::Size kDefaultMax(400, 400);
// The main window's "Export GIF Animation" asks for expressions at most this large.
const cv::Size kExpressionMax(200, 200);

struct GifJob {
    std::vector<std::string> photos;
    std::string out;
    int frames = kDefaultFrames;
    cv::Size max = kDefaultMax;
    std::optional<cv::Vec2f> turn;
    bool framesGiven = false, maxGiven = false;
    std::optional<int> face;
    std::optional<std::string> expression;
};

/**
 * How each kind of moving template writes its GIF: accepts() picks the kind, write() renders
 * the frames (the template is current in doc, which holds the photos). Kinds are tried in order.
 */
struct GifKind {
    bool (*accepts)(CEffectTemplate& t);
    bool (*write)(CEffectTemplate& t, CPhotoDocument& doc, const GifJob& job, std::string* error);
};

bool IsMeshTemplate(CEffectTemplate& t) { return dynamic_cast<CT_3DMesh*>(&t) != nullptr; }

bool WriteTurnTable(CEffectTemplate& t, CPhotoDocument& doc, const GifJob& job, std::string* error)
{
    auto& mesh = dynamic_cast<CT_3DMesh&>(t);
    if (job.turn) mesh.Turn((*job.turn)[0], (*job.turn)[1]);
    // One rendering through the document hands the template its photos.
    doc.SetView({0, 0, job.max.width, job.max.height}, 0);
    doc.Render();
    doc.WaitForRendering();
    return mesh.ExportTurnTable(job.out, job.frames, job.max.width, job.max.height, error);
}

bool IsExpressionTemplate(CEffectTemplate& t) { return dynamic_cast<CT_Face*>(&t) && t.IsExpression(); }

bool WriteExpression(CEffectTemplate& t, CPhotoDocument& doc, const GifJob& job, std::string* error)
{
    if (job.framesGiven || job.turn) return platform::Fail(error, "an expression always has 20 frames and no turn");
    RenderJob face;
    face.face = job.face;
    face.expression = job.expression;
    // Finds the face and its eyes and mouth, as the expression pane's "Animate" does.
    if (!PrepareFaceJob(doc, &t, face, error)) return false;
    const cv::Size max = job.maxGiven ? job.max : kExpressionMax;
    return t.ExportAnimation(job.out, max.width, max.height) || platform::Fail(error, "the face could not be animated");
}

const GifKind kKinds[] = {
    {IsMeshTemplate, WriteTurnTable},
    {IsExpressionTemplate, WriteExpression},
};

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("gif", "unexpected argument \"" + args.Positional()[0] + "\"", 2);
    const auto templ = args.Value("template");
    const auto out = args.Value("out");
    GifJob job;
    job.photos = args.Values("photo");
    if (!templ) return Fail("gif", "--template is required", 2);
    if (job.photos.empty()) return Fail("gif", "at least one --photo is required", 2);
    if (!out) return Fail("gif", "--out is required", 2);
    const bool toStdout = *out == "-";
    if (!toStdout && !platform::EndsWithNoCase(*out, ".gif"))
        return Fail("gif", "--out must end in .gif, or be - for standard output", 2);
    if (toStdout && isatty(STDOUT_FILENO))
        return Fail("gif", "will not write a picture to a terminal; redirect standard output to a file or a pipe", 2);
    job.out = *out;
    if (const auto frames = args.Value("frames")) {
        long long n = 0;
        if (!ParseInt(*frames, n) || n < 1 || n > kMaxFrames)
            return Fail("gif", "bad value for --frames: \"" + *frames + "\" (want 1 to 1000)", 2);
        job.frames = static_cast<int>(n);
        job.framesGiven = true;
    }
    if (const auto max = args.Value("max")) {
        int w = 0, h = 0;
        if (!ParseSize(*max, w, h) || w > 65535 || h > 65535)
            return Fail("gif", "bad value for --max: \"" + *max + "\" (want WxH)", 2);
        job.max = {w, h};
        job.maxGiven = true;
    }
    if (const int rc = ReadTurn(args, "gif", job.turn)) return rc;
    if (const int rc = ReadFaceNumber(args, "gif", job.face)) return rc;
    job.expression = args.Value("expression");

    std::string error;
    const std::string file = ResolveTemplate(*templ, &error);
    if (file.empty()) return Fail("gif", error);
    StdoutFile stdoutFile;
    if (toStdout) {
        if (!stdoutFile.Create(".gif", &error)) return Fail("gif", error);
        job.out = stdoutFile.Path();
    }
    CPhotoDocument doc;
    if (!SelectJobPhotos(doc, job.photos, &error)) return Fail("gif", error);
    RefPtr<CEffectTemplate> t = OpenTemplate(file, &doc, &error);
    if (!t) return Fail("gif", error);
    for (const GifKind& kind : kKinds) {
        if (!kind.accepts(*t)) continue;
        doc.SetCurrentTemplate(t.get());
        const bool ok = kind.write(*t, doc, job, &error);
        doc.SetCurrentTemplate(nullptr);
        if (!ok) return Fail("gif", "cannot write " + (toStdout ? "the GIF" : job.out) + ": " + stdoutFile.Explain(error));
        if (toStdout && !stdoutFile.Send(&error)) return Fail("gif", "cannot write the GIF: " + error);
        return 0;
    }
    return Fail("gif", "the template \"" + t->displayName + "\" does not move; only 3D and expression templates make GIFs");
}

}  // namespace

const CliCommand kGifCommand = {
    "gif",
    "write a looping animated GIF of a moving template: a 3D turn-table or an expression",
    "--template T --photo FILE [--photo FILE ...] --out FILE.gif [options]",
    "Writes a looping animated GIF of a template that moves. A 3D template makes a turn-table:\n"
    "N frames of one full turn about the model's vertical axis. An expression template makes its\n"
    "animation: 20 frames of the face swinging from still to the full expression and back.\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
