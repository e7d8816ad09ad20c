#pragma once
/**
 * @file OptionPaneFace.h
 * @brief COptionPaneFace: what the change-face and expression panes answer alike: a face
 * search started from the tool bar, and a new result (whose face count and state they show).
 * Interface thread only.
 */
#include "face/FacePaneLink.h"
#include "shell/OptionPane.h"

#include <cstdint>

namespace shell {

class COptionPaneFace : public COptionPaneBase, public face::CFacePaneLink {
public:
    void OnPaneNotify(int code, std::intptr_t a, std::intptr_t b) override;

protected:
    /** Shows what the current result says: the faces found, which buttons can be used. */
    virtual void UpdateStatus() = 0;
};

}  // namespace shell
