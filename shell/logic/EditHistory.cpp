// SPDX-License-Identifier: MIT
#include "shell/logic/EditHistory.h"

namespace shell {

namespace {
// Enough to take back any session's edits; a runaway (a held key) must not grow without end.
constexpr size_t kMaxSteps = 200;
}  // namespace

void EditHistory::Reset(const std::string& settings)
{
    steps_.assign(1, settings);
    at_ = 0;
    inGesture_ = false;
}

void EditHistory::Push(const std::string& settings)
{
    if (settings == steps_[at_]) return;
    steps_.resize(at_ + 1);  // a new edit drops what was undone
    steps_.push_back(settings);
    if (steps_.size() > kMaxSteps) steps_.erase(steps_.begin());
    at_ = steps_.size() - 1;
}

void EditHistory::EndGesture(const std::string& settings)
{
    inGesture_ = false;
    Push(settings);
}

void EditHistory::Changed(const std::string& settings)
{
    if (!inGesture_) Push(settings);
}

const std::string& EditHistory::Undo()
{
    if (at_ > 0) --at_;
    return steps_[at_];
}

const std::string& EditHistory::Redo()
{
    if (at_ + 1 < steps_.size()) ++at_;
    return steps_[at_];
}

}  // namespace shell
