#pragma once
/**
 * @file OptionPanel.h
 * @brief The window-free half of an adjustment pane.
 *
 * A pane's dialog is a Qt widget in the shell that also derives from this class; the
 * registry hands out this part. A template keeps the panes it created and deletes those
 * whose window has gone (alive cleared) in its pane sweep.
 */
#include "engine/ImageDataObject.h"
#include "platform/Notify.h"

namespace engine {

class CEffectTemplate;

class COptionPanel : public CImageDataObject {
public:
    COptionPanel()
    {
        kind = KindPane;
        className = "OptionPanel";
    }
    ~COptionPanel() override = default;

    /** The window that receives 1124 or 1224 after the user changes a value. */
    platform::WindowId view = 0;
    /** The template whose ParamCommand the pane calls; cleared when the template goes. */
    CEffectTemplate* templ = nullptr;
    /** Created by a template (and deleted by it) rather than by a window. */
    bool ownedByTemplate = false;
    /** Cleared when the pane's window is destroyed. */
    bool alive = true;
};

}  // namespace engine
