#pragma once
/**
 * @file FacePaneLink.h
 * @brief What a face template asks of its adjustment panes. The desktop program's face panes
 * derive from this as well as from COptionPanel; the template reaches them by a cross cast,
 * so the engine needs no window code.
 */
#include <string>

namespace face {

class CFacePaneLink {
public:
    virtual ~CFacePaneLink() = default;
    /** Sets a button's text ("Animate" or "Stop Animate" for 1020), before translation. */
    virtual void SetButtonText(int control, const std::string& text) = 0;
    /** Message 2125: a face search was started from the tool bar. */
    virtual void OnFaceSearchStarted() = 0;
};

}  // namespace face
