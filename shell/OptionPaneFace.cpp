#include "shell/OptionPaneFace.h"

#include "platform/Notify.h"

namespace shell {

void COptionPaneFace::OnPaneNotify(int code, std::intptr_t a, std::intptr_t b)
{
    if (code == platform::msg::FaceSearchStarted) {
        OnFaceSearchStarted();
        return;
    }
    if (code == platform::msg::ResultReady) {
        UpdateStatus();
        return;
    }
    COptionPaneBase::OnPaneNotify(code, a, b);
}

}  // namespace shell
