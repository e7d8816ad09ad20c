#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/FaceJob.h"
#include "cli/TemplateLookup.h"

#include "engine/PhotoDocument.h"
#include "engine/TemplateFile.h"
#include "platform/Text.h"

#include <cstdio>

namespace {

const char* kHelp =
    "usage: grimaze-cli gif --template T --photo FILE --out FILE.gif [--max WxH] [--face N] [--expression E]\n\n"
    "Writes the looping animation of an expression template: the face swinging from still to the full\n"
    "expression and back in 20 frames.\n\n"
    "  --template T   an expression template (a .tmpl file, its folder or its name, e.g. \"Expressions\")\n"
    "  --photo FILE   the photo with the face\n"
    "  --out FILE     the GIF to write\n"
    "  --max WxH      largest frame size (default 200x200); the face is never enlarged\n"
    "  --face N       use the N-th face found on the photo (see grimaze-cli faces)\n"
    "  --expression E happy (default), angry or sad\n";

}  // namespace

int CmdGif(const CommandArgs& argv)
{
    if (WantsHelp(argv)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const Args args(argv, {"template", "photo", "out", "max", "face", "expression"}, {});
    if (!args.Ok()) return Fail("gif", args.Error(), 2);
    if (!args.Positional().empty()) return Fail("gif", "unexpected argument \"" + args.Positional()[0] + "\"", 2);
    const auto templ = args.Value("template");
    const auto photo = args.Value("photo");
    const auto out = args.Value("out");
    if (!templ) return Fail("gif", "--template is required", 2);
    if (!photo) return Fail("gif", "--photo is required", 2);
    if (!out) return Fail("gif", "--out is required", 2);
    if (!platform::EndsWithNoCase(*out, ".gif")) return Fail("gif", "--out must end in .gif", 2);
    int maxW = 200, maxH = 200;
    if (const auto max = args.Value("max"))
        if (!ParseSize(*max, maxW, maxH)) return Fail("gif", "bad value for --max: \"" + *max + "\" (want WxH)", 2);
    RenderJob job;
    if (const auto face = args.Value("face")) {
        long long n = 0;
        if (!ParseInt(*face, n) || n < 1 || n > 1000) return Fail("gif", "bad value for --face: \"" + *face + "\"", 2);
        job.face = static_cast<int>(n);
    }
    job.expression = args.Value("expression");

    std::string error;
    const std::string file = ResolveTemplate(*templ, &error);
    if (file.empty()) return Fail("gif", error);
    CPhotoDocument doc;
    PhotoRecord record;
    record.path = *photo;
    doc.InsertPhoto(-1, record);
    if (!doc.SelectPhoto(0, &error)) return Fail("gif", "cannot read photo " + *photo + ": " + error);
    RefPtr<CEffectTemplate> t = OpenTemplate(file, &doc, &error);
    if (!t) return Fail("gif", error);
    if (!t->IsExpression()) return Fail("gif", "\"" + *templ + "\" is not an expression template: it has no animation");
    if (!PrepareFaceJob(doc, t.get(), job, error)) return Fail("gif", error);
    if (!t->ExportAnimation(*out, maxW, maxH)) return Fail("gif", "cannot write " + *out);
    return 0;
}
