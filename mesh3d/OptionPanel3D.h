#pragma once
/**
 * @file OptionPanel3D.h
 * @brief The window-free half of the 3D adjustment pane ("OptionPane_3D").
 *
 * The pane's dialog (the "Rotate Model" check box 1028 and the "Reset to Default Position"
 * button 1029) lives in the shell and derives from this class; the 3D mesh template reaches
 * every pane it created through it to keep the check boxes in step with the turn timer.
 *
 * Threads: interface thread only.
 */
#include "engine/OptionPanel.h"

namespace mesh3d {

// Virtual, so that the shell's pane can derive from this and from its own pane base.
class COptionPanel3D : public virtual engine::COptionPanel {
public:
    COptionPanel3D() { className = "OptionPane_3D"; }

    /** Control ids of the pane's dialog. */
    static constexpr int kRotateModelBox = 1028;
    static constexpr int kResetButton = 1029;

    /**
     * @brief Shows "Rotate Model" checked or not, without sending a command back. The dialog
     * overrides it to move its check box and calls this base to keep the state.
     */
    virtual void SetRotateModelChecked(bool checked) { rotateChecked_ = checked; }
    bool RotateModelChecked() const { return rotateChecked_; }

private:
    bool rotateChecked_ = false;
};

}  // namespace mesh3d
