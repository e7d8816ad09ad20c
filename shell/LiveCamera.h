// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file LiveCamera.h
 * @brief The photo booth: live camera frames through the current template in a view laid over
 * the preview, a countdown, the shot, the flash and bursts.
 *
 * Threads:
 * - The camera thread (camera::CameraSource) puts frames into its one-frame mailbox.
 * - The live rendering thread (camera::LiveLoop) takes the newest frame and renders it through
 *   its own copy of the current template; it also renders each shot at full size for the
 *   result history. It posts FrameReady to the interface thread, which takes the newest result.
 * - The interface thread does everything else. The template copy lives on the rendering thread
 *   only; the document's template is read on the interface thread alone (to copy it).
 */
#include "engine/EffectTemplate.h"
#include "engine/RefPtr.h"

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <opencv2/core.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine
namespace camera {
class CameraSource;
class LiveLoop;
}
namespace controls {
struct ToolItem;
}

namespace shell {

class CLiveCamera : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBurstShots = 4;
    static constexpr int kBurstIntervalMs = 1000;
    static constexpr int kFlashMs = 250;

    /**
     * @brief The view is a child of parent and covers the first visible of areas (children of
     * parent: the preview, or the wizard that stands in for it while there is no photo).
     */
    CLiveCamera(engine::CPhotoDocument& document, QWidget* parent, std::vector<QWidget*> areas);
    ~CLiveCamera() override;

    /** Opens the camera named by source ("" for the setting) and shows the live view. */
    void Start(const std::string& source);
    /** Closes the camera (under a second) and hides the view. */
    void Stop();
    bool IsLive() const { return live_; }

    /** Counts down (the countdown setting), then takes shots (1, or kBurstShots a second apart). */
    void TakePhoto(int shots = 1);
    /** Seconds left before the next shot; 0 when no countdown runs. */
    int CountdownLeft() const { return countdown_; }
    bool ShotPending() const { return shotsLeft_ > 0; }

    void SetMirror(bool on);
    bool Mirror() const { return mirror_; }
    void SetShowRate(bool on);
    bool ShowRate() const { return showRate_; }

    /** What the view shows now (a rendered frame), for tests and screenshots. */
    QImage ShownImage() const { return shown_; }
    /** Frames shown since Start. */
    std::uint64_t FramesShown() const { return framesShown_; }
    /** Frames that came from the camera but were never shown (replaced while one rendered). */
    std::uint64_t FramesDropped() const;
    /** The camera's problem in words ("No camera found: ..."), empty while it runs. */
    QString Problem() const { return problem_; }
    /** The template whose copy renders the frames (not held). */
    engine::CEffectTemplate* LiveTemplate() const { return templateOf_; }
    /** Where the shots of this session were saved, in order. */
    const QStringList& Shots() const { return shots_; }

signals:
    /** A shot was saved (full size, not mirrored); result is its rendering at full size. */
    void photoTaken(const QString& path, const cv::Mat& result);
    /** The view started or stopped. */
    void liveChanged(bool live);
    /** The gallery's thumbnails should be made again: they now show a still camera frame, or the photos again. */
    void thumbnailsChanged();

protected:
    void paintEvent(QPaintEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FrameReady();
    void CheckTemplate();
    void Tick();
    void Shoot();
    void StopThread();
    void Poll();
    void FitToArea();

    engine::CPhotoDocument& doc_;
    std::vector<QWidget*> areas_;
    std::unique_ptr<camera::CameraSource> source_;
    std::unique_ptr<camera::LiveLoop> loop_;
    cv::Size viewSize_{640, 480};

    bool live_ = false;
    bool mirror_ = true;
    bool showRate_ = false;
    engine::CEffectTemplate* templateOf_ = nullptr;
    QImage shown_;
    cv::Mat shownFrame_;
    std::uint64_t framesShown_ = 0;
    bool stillGiven_ = false;  // the gallery has a still frame of this session
    std::deque<std::chrono::steady_clock::time_point> shownTimes_;
    double latencyMs_ = 0;
    QString problem_;
    QStringList shots_;

    QTimer tick_;   // the countdown's seconds and the burst's interval
    QTimer poll_;   // the camera's state while no frame comes
    int countdown_ = 0;
    int shotsLeft_ = 0;
    QElapsedTimer flash_;
};

class CGrimazeDlg;

/**
 * @brief Lays the live view over the main window's preview and wires it up: Space takes a
 * photo while live, each shot joins the photo strip and its result the history.
 */
CLiveCamera* AttachLiveCamera(CGrimazeDlg& window, engine::CPhotoDocument& document);
/** The tool bar's camera buttons: "Camera", and while live "Take photo" and "Burst". */
void AddLiveCameraButtons(std::vector<controls::ToolItem>& items, const CLiveCamera* live);
/** Runs tool::Camera, tool::TakePhoto or tool::Burst. */
void LiveCameraCommand(CLiveCamera& live, int command);

}  // namespace shell
