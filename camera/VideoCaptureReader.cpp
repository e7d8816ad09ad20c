// SPDX-License-Identifier: MIT
// The part of the camera that needs OpenCV's video input. It is a module of its own, loaded
// when a camera is first opened: libopencv_videoio brings GStreamer, FFmpeg and some hundred
// and fifty shared libraries, which the program should not load at every start.
#include "camera/FrameReader.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace camera {
class VideoCaptureReader final : public FrameReader {
public:
    explicit VideoCaptureReader(SourceName name) : name_(std::move(name)) {}

    double FramesPerSecond() const override
    {
        return name_.kind == SourceKind::File ? capture_.get(cv::CAP_PROP_FPS) : 0.0;
    }

    bool Open() override
    {
        switch (name_.kind) {
        case SourceKind::Device: return OpenDevice();
        case SourceKind::Pipeline:
            // OpenCV says why on stderr; the user needs to know which part of the chain is theirs.
            if (!capture_.open(name_.text, cv::CAP_GSTREAMER))
                return Fail(ReadFailure::CannotStart, "the GStreamer pipeline does not start: " + name_.text);
            return true;
        case SourceKind::File: return OpenFile();
        }
        return false;
    }

    bool Read(cv::Mat& frame) override
    {
        cv::Mat raw;
        if (capture_.read(raw) && !raw.empty()) {
            ToBgr(raw, frame);
            ++frames_;
            return true;
        }
        switch (name_.kind) {
        case SourceKind::Device: {
            struct stat st {};
            if (::stat(name_.text.c_str(), &st) != 0)
                return Fail(ReadFailure::Disappeared, "the camera " + name_.text + " was disconnected");
            return Fail(ReadFailure::Disappeared, "the camera " + name_.text + " stopped sending pictures");
        }
        case SourceKind::Pipeline:
            return Fail(ReadFailure::EndOfStream, "the pipeline ended after " + std::to_string(frames_) + " frames");
        case SourceKind::File:
            // The count comes from the header or the duration and may be one off on a whole
            // file; a cut file falls short by far more.
            if (announced_ > 0 && frames_ + 1 < announced_)
                return Fail(ReadFailure::Damaged, name_.text + " ends after " + std::to_string(frames_) + " of its " +
                                                      std::to_string(announced_) + " frames: the file is damaged");
            return Fail(ReadFailure::EndOfStream, "the video ended after " + std::to_string(frames_) + " frames");
        }
        return false;
    }

private:
    static void ToBgr(const cv::Mat& raw, cv::Mat& out)
    {
        cv::Mat eight;
        if (raw.depth() != CV_8U)
            raw.convertTo(eight, CV_8U, raw.depth() == CV_16U ? 1.0 / 257 : 1.0);
        else
            eight = raw;
        switch (eight.channels()) {
        case 1: cv::cvtColor(eight, out, cv::COLOR_GRAY2BGR); break;
        case 4: cv::cvtColor(eight, out, cv::COLOR_BGRA2BGR); break;
        default: out = eight.clone(); break;
        }
    }

    bool OpenDevice()
    {
        const std::string& path = name_.text;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return Fail(ReadFailure::NotFound, "no camera found: " + path + " does not exist");
        if (!S_ISCHR(st.st_mode)) return Fail(ReadFailure::NotACamera, path + " is not a camera");
        // Ask the device what it is before OpenCV does: its own failure only says "cannot open".
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            if (err == EBUSY) return Fail(ReadFailure::Busy, "the camera " + path + " is busy: another program is using it");
            if (err == EACCES || err == EPERM)
                return Fail(ReadFailure::CannotStart,
                            "no permission to use " + path + " (the user may need to be in the \"video\" group)");
            return Fail(ReadFailure::CannotStart, "cannot open " + path + ": " + std::strerror(err));
        }
        v4l2_capability caps {};
        const bool queried = ::ioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
        ::close(fd);
        if (!queried) return Fail(ReadFailure::NotACamera, path + " is not a camera");
        const std::uint32_t what = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
        if (!(what & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE)))
            return Fail(ReadFailure::NotACamera, path + " is not a camera (it captures no video)");
        // A capture device that will not stream is almost always held by another program.
        if (!capture_.open(path, cv::CAP_V4L2))
            return Fail(ReadFailure::Busy, "the camera " + path + " is busy: another program may be using it");
        // Keep no more than the driver must: an old frame is worth nothing here.
        capture_.set(cv::CAP_PROP_BUFFERSIZE, 1);
        return true;
    }

    bool OpenFile()
    {
        const std::string& path = name_.text;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0)
            return Fail(ReadFailure::NotFound, "no camera found: " + path + " is neither a device nor a video file");
        if (!S_ISREG(st.st_mode)) return Fail(ReadFailure::CannotStart, path + " is not a video file");
        if (!capture_.open(path, cv::CAP_FFMPEG))
            return Fail(ReadFailure::CannotStart, path + " cannot be read as a video");
        const double count = capture_.get(cv::CAP_PROP_FRAME_COUNT);
        announced_ = count > 0 && count < 1e9 ? static_cast<long long>(count) : 0;
        return true;
    }

    SourceName name_;
    cv::VideoCapture capture_;
    long long frames_ = 0;
    long long announced_ = 0;
};

}  // namespace camera

/** The module's one entry point (camera/VideoIoModule.cpp looks it up by this name). */
extern "C" __attribute__((visibility("default"))) camera::FrameReader* grimaze_make_frame_reader(const char* source)
{
    return new camera::VideoCaptureReader(camera::ParseSourceName(source));
}
