#pragma once
/**
 * @file ButtonBarLogic.h
 * @brief The window-free part of the skinned button bar: button records, hit testing with
 * the alignment offset, and the hover / press state machine. The widget feeds it pointer
 * events and carries out what it answers (repaint, post a command, take or release the
 * pointer).
 */
#include <vector>

namespace controls {

/** One button of a bar, as in the constant tables the windows set bars up from. */
struct ButtonRecord {
    int enabled = 1;     ///< 1 enabled, 0 disabled
    int command = 0;     ///< posted with the click
    int x = 0, y = 0, width = 0, height = 0;
    int tooltip = 0;     ///< string-table id of the tooltip
    int label = -1;      ///< string-table id of the label; -1 or 0 for none
};

struct BarPoint {
    int x = 0, y = 0;
};

/** What the widget must do after an event. */
struct BarReaction {
    bool repaint = false;
    bool capture = false;        ///< take the pointer
    bool releaseCapture = false;
    bool post = false;           ///< post postCode with postCommand
    int postCode = 0;
    int postCommand = 0;
};

class ButtonBarLogic {
public:
    static constexpr int kMaxButtons = 100;

    /** Copies the records (at most 100); hover and press become -1. */
    void SetUp(const std::vector<ButtonRecord>& records);
    /** The codes posted for clicks on enabled and on disabled buttons (0 posts nothing). */
    void SetCodes(int enabledCode, int disabledCode);
    /** 0 buttons at their x positions; 1 right-aligned against the client width. */
    void SetAlignment(int mode) { alignment_ = mode; }
    /** The width of the normal image (the right-aligned offset is client width minus this). */
    void SetImageWidth(int width) { imageWidth_ = width; }
    void SetClientWidth(int width) { clientWidth_ = width; }

    int Offset() const { return alignment_ == 1 ? clientWidth_ - imageWidth_ : 0; }
    /** The first button whose shifted rectangle holds the point; enabledOnly skips disabled ones. */
    int HitTest(BarPoint p, bool enabledOnly) const;

    BarReaction PointerMove(BarPoint p, bool insideClient);
    BarReaction ButtonDown(BarPoint p);
    BarReaction ButtonUp(BarPoint p, bool hasTarget);

    /** Enables or disables the button with this command; true when something changed. */
    bool SetEnabled(int command, bool enabled);

    int Hover() const { return hover_; }
    int Pressed() const { return pressed_; }
    bool Captured() const { return captured_; }
    const std::vector<ButtonRecord>& Buttons() const { return buttons_; }

private:
    std::vector<ButtonRecord> buttons_;
    int hover_ = -1;
    int pressed_ = -1;
    bool captured_ = false;
    int alignment_ = 0;
    int imageWidth_ = 0;
    int clientWidth_ = 0;
    int enabledCode_ = 0;
    int disabledCode_ = 0;
};

}  // namespace controls
