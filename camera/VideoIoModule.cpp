// SPDX-License-Identifier: MIT
#include "camera/FrameReader.h"

#include "platform/Folders.h"

#include <dlfcn.h>

namespace camera {
namespace {

using MakeReader = FrameReader* (*)(const char*);

struct VideoIoModule {
    MakeReader make = nullptr;
    std::string error;
};

// Loaded once and never unloaded: readers left behind by a Close that did not wait still run
// its code.
const VideoIoModule& Module()
{
    static const VideoIoModule module = [] {
        VideoIoModule m;
        const std::string name = "grimaze-videoio.so";
        const std::string places[] = {platform::ExecutableFolder() + "/" + name, std::string(GRIMAZE_MODULE_DIR) + "/" + name};
        for (const std::string& path : places) {
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                if (m.error.empty()) m.error = ::dlerror();
                continue;
            }
            if (auto* make = reinterpret_cast<MakeReader>(::dlsym(handle, "grimaze_make_frame_reader"))) {
                m.make = make;
                m.error.clear();
                break;
            }
            m.error = path + " is not the program's camera module";
        }
        return m;
    }();
    return module;
}

class MissingModuleReader final : public FrameReader {
public:
    explicit MissingModuleReader(std::string why) : why_(std::move(why)) {}
    bool Open() override { return Fail(ReadFailure::CannotStart, "the camera support is not installed (" + why_ + ")"); }
    bool Read(cv::Mat&) override { return false; }

private:
    std::string why_;
};

}  // namespace

std::unique_ptr<FrameReader> MakeVideoCaptureReader(const std::string& source)
{
    const VideoIoModule& m = Module();
    if (!m.make) return std::make_unique<MissingModuleReader>(m.error);
    return std::unique_ptr<FrameReader>(m.make(source.c_str()));
}

}  // namespace camera
