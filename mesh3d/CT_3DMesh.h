#pragma once
/**
 * @file CT_3DMesh.h
 * @brief "3DMeshTemplate": poses a model from its definition, turns it while "Rotate Model"
 * is checked, turns it as the user drags in the preview, and resets it.
 *
 * Definition keys (the template's "param" child; all numbers radians unless said otherwise):
 * "hangle", "vangle" (turn about the vertical and horizontal axes, 0), "xscale", "yscale",
 * "zscale" (0 or missing: 1), "x", "y", "z" (position; z 0 or missing: -3), "proj" (field of
 * view in degrees; 0 or missing: 90), "specular" (highlight strength; non-zero switches it
 * on), "rotation_speed" (per timer tick; 0 or missing: 0.05), "cull" ("ccw", "cw" or none),
 * and, read again at every rendering, "moveable", "reflect", "normalizenormals" (1 sets).
 *
 * Pose: a model point P is drawn at M * A * P - position (column vectors), with the orientation
 * M = S * Ry(hangle) * Rx(vangle) and the accumulated turn A: the model is tilted by "vangle"
 * about the horizontal axis, then turned by "hangle" about the vertical one, and the axis scales
 * S apply last. The turn step Rx(vangle)^-1 * Ry(speed) * Rx(vangle) thus adds to "hangle": the
 * model turns about the vertical axis of the view, like a turn-table. A drag of (dx, dy) pixels
 * turns it by dx / 100 and dy / 100 radians about the vertical and horizontal axes.
 *
 * Commands (ParamCommand): 450 resets the pose; 500 starts turning (timer 43 every 20 ms on
 * the given view) and checks "Rotate Model" in every 3D pane of this template; 600 stops.
 * The shell forwards timer 43 to OnTurnTimer and sends 600 when the template stops being
 * current; destroying a turning template stops its timer too.
 *
 * Threads: interface thread only (commands, timer ticks, pointer rendering), under the photo
 * document's rendering lock where the document calls in.
 */
#include "engine/SimpleTemplate.h"
#include "mesh3d/MeshParams.h"

#include <opencv2/core.hpp>

namespace mesh3d {

namespace mesh_cmd {
inline constexpr int Reset = 450;
inline constexpr int StartTurning = 500;
inline constexpr int StopTurning = 600;
inline constexpr int TurnTimer = 43;
inline constexpr int TurnInterval = 20;  ///< milliseconds
}  // namespace mesh_cmd

class CT_3DMesh : public engine::CT_SimpleTempl {
public:
    CT_3DMesh();
    ~CT_3DMesh() override;

    bool Load() override;
    /** Reads the per-rendering keys; turns the model by the pointer's drag; hands the block on. */
    void ApplyParams() override;
    engine::ParamBlock ParamsGiven() const override { return engine::ParamBlock::Mesh; }
    /** The preview's pointer drags turn the model (it draws nothing over it). */
    bool HasOverlay(int view) override { return view == engine::ViewPreview; }
    /**
     * @brief A press in the preview takes the pointer (the drag then turns the model) and
     * stops an automatic turn; hovering and the wheel are left to the preview.
     */
    bool OnMouse(int view, const cv::Mat& image, const engine::ViewRect& rect, float pan[2], float& zoom, bool isMove,
                 bool buttonDown, int reserved, int x, int y) override;
    void ParamCommand(int command, platform::WindowId view, int index, void* data) override;
    /** which 1: "OptionPane_3D" (null where no pane class is registered, as in engine-only programs). */
    engine::COptionPanel* CreatePane(int which) override;

    /**
     * @brief The shell's entry for timer events: for timer 43, turns the turning template by
     * one step, re-renders through the photo document and sends 1124 to its window.
     * @return true when the event was timer 43 and a template was turning
     */
    static bool OnTurnTimer(platform::WindowId window, int id);
    /** The template timer 43 turns, or null. */
    static CT_3DMesh* TurningTemplate();

    /** One tick: the turn step, unless the pointer button is down. No rendering. */
    void StepTurn();
    /**
     * @brief Turns the model from where it is: by h about its (tilted) vertical axis, as the
     * turn timer does, then by v about the view's horizontal axis.
     */
    void Turn(float h, float v);
    /**
     * @brief Writes a looping GIF of one full turn about the model's vertical axis in frames
     * steps, from the present pose (which is kept). The template must have its photos; each
     * frame is rendered fitted into maxWidth x maxHeight.
     * @return true on success; false with a reason in error
     */
    bool ExportTurnTable(const std::string& path, int frames, int maxWidth, int maxHeight, std::string* error = nullptr);

    const MeshParams& MeshParameters() const { return mesh_; }
    cv::Matx33f DefaultOrientation() const { return defaultOrientation_; }
    cv::Matx33f AccumulatedTurn() const { return turn_; }
    cv::Matx33f TurnStep() const { return turnStep_; }

private:
    void SetRotation(const cv::Matx33f& r);
    /** A drag of (dx, dy) preview pixels: turns about the view's vertical and horizontal axes. */
    void Drag(int dx, int dy);
    void HandParams();
    void CheckPanes(bool checked);
    void StopTimer();

    MeshParams mesh_;
    cv::Matx33f defaultOrientation_ = cv::Matx33f::eye();
    cv::Matx33f turn_ = cv::Matx33f::eye();
    cv::Matx33f turnStep_ = cv::Matx33f::eye();
    cv::Vec3f defaultPosition_{0, 0, -3};
    float tilt_ = 0;  ///< "vangle": the axis the turns go round is tilted by it
    bool dragging_ = false;
    platform::WindowId timerWindow_ = 0;
};

}  // namespace mesh3d
