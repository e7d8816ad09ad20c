#include "shell/logic/PhotoStripLogic.h"

#include <algorithm>

namespace shell {

void PhotoStripLogic::SetCount(int count)
{
    count_ = std::max(0, count);
    SetOffset(offset_);
    if (current_ >= count_) current_ = count_ - 1;
    std::erase_if(selected_, [&](int i) { return i >= count_; });
}

void PhotoStripLogic::SetVisibleLength(int length)
{
    visible_ = std::max(0, length);
    SetOffset(offset_);
}

int PhotoStripLogic::MaxOffset() const { return std::max(0, TotalLength() - visible_); }

void PhotoStripLogic::SetOffset(int offset) { offset_ = std::clamp(offset, 0, MaxOffset()); }

int PhotoStripLogic::IndexAt(int coordinate) const
{
    const int along = coordinate + offset_;
    if (along < 0) return -1;
    const int index = along / kPitch;
    return index < count_ ? index : -1;
}

int PhotoStripLogic::GapAt(int coordinate) const
{
    if (count_ == 0) return -1;
    const int along = coordinate + offset_ + kPitch / 2;
    return std::clamp(along < 0 ? 0 : along / kPitch, 0, count_);
}

int PhotoStripLogic::ThumbLength() const
{
    const int total = TotalLength();
    return total > 0 ? static_cast<int>(static_cast<long long>(visible_) * visible_ / total) : 0;
}

int PhotoStripLogic::ThumbStart() const
{
    const int total = TotalLength();
    return total > 0 ? static_cast<int>(static_cast<long long>(visible_) * offset_ / total) : 0;
}

void PhotoStripLogic::DragThumb(int delta)
{
    if (visible_ <= 0) return;
    SetOffset(offset_ + static_cast<int>(static_cast<long long>(delta) * TotalLength() / visible_));
}

void PhotoStripLogic::Wheel(int notches)
{
    if (TotalLength() <= visible_) return;
    SetOffset(offset_ - notches * 20);
}

bool PhotoStripLogic::IsSelected(int index) const
{
    return std::find(selected_.begin(), selected_.end(), index) != selected_.end();
}

bool PhotoStripLogic::Click(int index)
{
    if (index < 0 || index >= count_ || IsSelected(index)) return false;
    selected_ = {index};
    current_ = index;
    return true;
}

bool PhotoStripLogic::ControlClick(int index)
{
    if (index < 0 || index >= count_ || IsSelected(index)) return false;
    selected_.push_back(index);
    return true;
}

void PhotoStripLogic::Move(int from, int to)
{
    if (from < 0 || from >= count_ || to < 0 || to >= count_ || from == to) return;
    auto remap = [&](int i) {
        if (i == from) return to;
        if (from < to && i > from && i <= to) return i - 1;
        if (to < from && i >= to && i < from) return i + 1;
        return i;
    };
    current_ = current_ >= 0 ? remap(current_) : current_;
    for (int& s : selected_) s = remap(s);
}

void PhotoStripLogic::Removed(int index)
{
    std::erase(selected_, index);
    for (int& s : selected_)
        if (s > index) --s;
    if (count_ > 0) --count_;
    if (current_ > index || current_ >= count_) --current_;
    if (current_ < 0 && count_ > 0) current_ = 0;
    SetOffset(offset_);
}

void PhotoStripLogic::Clear()
{
    count_ = 0;
    offset_ = 0;
    current_ = -1;
    selected_.clear();
}

std::vector<int> PhotoStripLogic::DeletionOrder() const
{
    // Removing the last selected first, and lowering every later selected index after each
    // removal, yields the document index to remove at each step.
    std::vector<int> remaining = selected_;
    std::vector<int> order;
    while (!remaining.empty()) {
        const int index = remaining.back();
        remaining.pop_back();
        order.push_back(index);
        for (int& s : remaining)
            if (s > index) --s;
    }
    return order;
}

}  // namespace shell
