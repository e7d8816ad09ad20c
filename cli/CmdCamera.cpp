// SPDX-License-Identifier: MIT
#include "cli/Args.h"
#include "cli/Commands.h"
#include "cli/TemplateLookup.h"

#include "camera/CameraSettings.h"
#include "camera/CameraSource.h"
#include "camera/LiveRenderer.h"
#include "engine/ImageIO.h"
#include "engine/TemplateFile.h"

#include <cstdio>
#include <filesystem>

using engine::CEffectTemplate;
using engine::OpenTemplate;
using engine::RefPtr;
using engine::SaveImage;

namespace cli {

namespace {

const OptionSpec kOptions[] = {
    {"template", 0, "T", ValueKind::Template, "a template definition (.tmpl), a folder holding one, or a template's name"},
    {"source", 0, "S", ValueKind::File,
     "the camera: a device (/dev/video0, or its number), a GStreamer pipeline ending in\n"
     "appsink, or a video file (default: GRIMAZE_CAMERA, else the \"cameraSource\" setting,\n"
     "else /dev/video0)"},
    {"frames", 0, "N", ValueKind::Number, "how many frames to render, 1 to 100000 (default 30)"},
    {"out-dir", 0, "DIR", ValueKind::Folder, "save each rendered frame as DIR/frame-NNNN.jpg (made if missing)"},
    {"size", 0, "WxH", ValueKind::Text, "render as the live preview does for a view of that size (default: frame size)"},
    {"mirror", 0, nullptr, ValueKind::None, "mirror each frame first, as the live preview shows a front camera"},
    {"fps", 0, nullptr, ValueKind::None, "print the measured rate: frames, seconds, frames per second, frames dropped"},
};

constexpr long long kDefaultFrames = 30;
constexpr long long kMaxFrames = 100000;
// A camera that sends nothing for this long is stuck; a live source sends many frames a second.
constexpr auto kFrameTimeout = std::chrono::seconds(10);

std::string FrameName(long long n)
{
    char name[32];
    std::snprintf(name, sizeof name, "frame-%04lld.jpg", n);
    return name;
}

int Run(const Args& args)
{
    if (!args.Positional().empty()) return Fail("camera", "unexpected argument \"" + args.Positional()[0] + "\"", 2);
    const auto templ = args.Value("template");
    if (!templ) return Fail("camera", "--template is required", 2);
    long long frames = kDefaultFrames;
    if (const auto v = args.Value("frames")) {
        if (!ParseInt(*v, frames) || frames < 1 || frames > kMaxFrames)
            return Fail("camera", "bad value for --frames: \"" + *v + "\" (want 1 to 100000)", 2);
    }
    std::optional<cv::Size> view;
    if (const auto v = args.Value("size")) {
        int w = 0, h = 0;
        if (!ParseSize(*v, w, h) || w > 65535 || h > 65535)
            return Fail("camera", "bad value for --size: \"" + *v + "\" (want WxH)", 2);
        view = cv::Size(w, h);
    }
    const auto outDir = args.Value("out-dir");
    const bool mirror = args.Has("mirror");
    const std::string sourceName = args.Value("source").value_or(camera::CameraSourceSetting());

    std::string error;
    const std::string file = ResolveTemplate(*templ, &error);
    if (file.empty()) return Fail("camera", error);
    RefPtr<CEffectTemplate> t = OpenTemplate(file, nullptr, &error);
    if (!t) return Fail("camera", error);
    if (outDir) {
        std::error_code ec;
        std::filesystem::create_directories(*outDir, ec);
        if (ec || !std::filesystem::is_directory(*outDir))
            return Fail("camera", "cannot make the folder " + *outDir + ": " + (ec ? ec.message() : "not a folder"));
    }

    camera::LiveRenderer live(t);
    camera::CameraSource source(sourceName);
    // A file or a pipeline has no pace of its own worth keeping here: render every frame it
    // holds. A camera runs on, and frames that come while one renders are dropped.
    source.SetKeepEveryFrame(camera::ParseSourceName(sourceName).kind != camera::SourceKind::Device);
    source.Start();
    Detail("camera", "source \"" + (sourceName.empty() ? std::string("/dev/video0") : sourceName) + "\", template " + file);

    long long rendered = 0;
    std::chrono::steady_clock::time_point first, last;
    while (rendered < frames) {
        camera::CameraFrame frame;
        if (!source.WaitFrame(frame, kFrameTimeout)) {
            const camera::CameraState state = source.State();
            if (!camera::IsFinal(state))
                return Fail("camera", "no picture from the camera for " + std::to_string(kFrameTimeout.count()) + " s");
            if (state == camera::CameraState::EndOfStream && rendered > 0) {
                Note("camera", "the source ended after " + std::to_string(rendered) + " of " + std::to_string(frames) +
                                   " frames");
                break;
            }
            const std::string message = source.Message();
            return Fail("camera", std::string(camera::StateName(state)) + (message.empty() ? "" : ": " + message));
        }
        if (rendered == 0) first = frame.captured;
        const cv::Mat result = live.Render(mirror ? camera::Mirrored(frame.image) : frame.image, view);
        if (result.empty()) return Fail("camera", "the template produced no picture");
        ++rendered;
        last = std::chrono::steady_clock::now();
        if (outDir) {
            const std::string path = (std::filesystem::path(*outDir) / FrameName(rendered)).string();
            if (!SaveImage(path, result, &error)) return Fail("camera", "cannot write " + path + ": " + error);
        }
    }
    const camera::CameraStats stats = source.Stats();
    source.Close();
    if (args.Has("fps")) {
        // From the first frame's arrival to the last result: the rate a viewer would see.
        const double seconds = std::chrono::duration<double>(last - first).count();
        const double fps = rendered > 1 && seconds > 0 ? static_cast<double>(rendered - 1) / seconds : 0.0;
        std::printf("%lld frames in %.3f s: %.1f fps, %llu dropped\n", rendered, seconds, fps,
                    static_cast<unsigned long long>(stats.dropped));
    }
    if (outDir) Note("camera", std::to_string(rendered) + " frames written to " + *outDir);
    return 0;
}

}  // namespace

const CliCommand kCameraCommand = {
    "camera",
    "render live camera frames through a template",
    "--template T [--source S] [--frames N] [--out-dir DIR] [--size WxH] [--mirror] [--fps]",
    "Opens the camera (or a GStreamer pipeline, or a video file) and renders N frames through the\n"
    "template as the live preview does, each frame a new photo: face templates find the faces on\n"
    "every frame. From a camera, a frame that arrives while one renders replaces the one waiting,\n"
    "so a slow template skips frames rather than falling behind; --fps says how many were\n"
    "dropped. A video file or a GStreamer pipeline is rendered frame by frame, none dropped.\n"
    "\n"
    "A source that ends early (a file, a pipeline with num-buffers) ends the run with a note.\n"
    "No camera, a busy one, one that goes away, and a source that will not start fail with\n"
    "exit code 1 and say which. Try it without a camera:\n"
    "grimaze-cli camera --template Emboss --source 'videotestsrc num-buffers=30 ! videoconvert ! appsink' --fps\n",
    kOptions,
    ValueKind::None,
    Run,
};

}  // namespace cli
