// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file FrameReader.h
 * @brief Where camera frames come from: a V4L2 device, a GStreamer pipeline or a video file,
 * named by one string, behind a small interface a test can replace.
 */
#include <opencv2/core.hpp>

#include <memory>
#include <string>

namespace camera {

/** The kinds of source a camera string can name. */
enum class SourceKind { Device, Pipeline, File };

/**
 * @brief What a source string names. "" and a bare number name V4L2 devices (/dev/video0,
 * /dev/videoN); a path under /dev/ is a device; a string holding "!" or "appsink" is a
 * GStreamer pipeline; anything else is a video file.
 */
struct SourceName {
    SourceKind kind = SourceKind::Device;
    std::string text;  ///< the device path, the pipeline or the file path
};
SourceName ParseSourceName(const std::string& source);

/** How opening or reading ended, for the camera's states. */
enum class ReadFailure { None, NotFound, NotACamera, Busy, CannotStart, Disappeared, EndOfStream, Damaged };

/**
 * @brief One open source. Open and Read are called on the camera's own thread only; Read
 * may block as long as the source likes (a stalled device, a pipeline waiting for data), which
 * is why the camera never waits for it when closing.
 */
class FrameReader {
public:
    virtual ~FrameReader() = default;
    /** Opens the source; false with failure() and message() set. */
    virtual bool Open() = 0;
    /** The next frame (BGR, 8 bits); false at the end, with failure() and message() set. */
    virtual bool Read(cv::Mat& frame) = 0;
    /** The rate a recording was made at (a video file); 0 for a live source, which keeps its own. */
    virtual double FramesPerSecond() const { return 0; }
    ReadFailure failure() const { return failure_; }
    const std::string& message() const { return message_; }

protected:
    bool Fail(ReadFailure f, std::string message)
    {
        failure_ = f;
        message_ = std::move(message);
        return false;
    }

private:
    ReadFailure failure_ = ReadFailure::None;
    std::string message_;
};

/** The reader on OpenCV's VideoCapture for a source string (V4L2, GStreamer or FFmpeg back end). */
std::unique_ptr<FrameReader> MakeVideoCaptureReader(const std::string& source);

}  // namespace camera
