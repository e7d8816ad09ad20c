// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file EditHistory.h
 * @brief Undo and redo of the current template's settings, without a window.
 *
 * The window tells the history what the settings are after each piece of input. A gesture (a
 * slider dragged, a region or corner dragged: from the button's press to its release) is one
 * step however many values it went through; a change outside a gesture (a key, a button) is a
 * step of its own. Settings are opaque bytes (batch/TemplateSettings.h captures them); equal
 * bytes are no change.
 */
#include <string>
#include <vector>

namespace shell {

class EditHistory {
public:
    /** Forgets everything: a new template became current with these settings. */
    void Reset(const std::string& settings);
    /** A gesture starts (a button went down over a control of the template). */
    void BeginGesture() { inGesture_ = true; }
    /** The gesture ended: what it changed is one step. */
    void EndGesture(const std::string& settings);
    /** The settings after a piece of input; outside a gesture a change is a step at once. */
    void Changed(const std::string& settings);
    /** What a rendering found by itself (a face) joins the current step instead of making one. */
    void Settle(const std::string& settings)
    {
        if (!inGesture_) steps_[at_] = settings;
    }

    bool CanUndo() const { return at_ > 0; }
    bool CanRedo() const { return at_ + 1 < steps_.size(); }
    /** The settings to go back to (call only when CanUndo). */
    const std::string& Undo();
    /** The settings to go forward to (call only when CanRedo). */
    const std::string& Redo();
    /** The settings the history holds as current. */
    const std::string& Current() const { return steps_[at_]; }
    size_t Steps() const { return steps_.size(); }

private:
    void Push(const std::string& settings);

    std::vector<std::string> steps_{std::string()};
    size_t at_ = 0;
    bool inGesture_ = false;
};

}  // namespace shell
