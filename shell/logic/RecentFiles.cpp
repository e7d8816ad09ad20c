// SPDX-License-Identifier: MIT
#include "shell/logic/RecentFiles.h"

#include <algorithm>

namespace shell {

void RecentFiles::Add(const std::string& path)
{
    if (path.empty()) return;
    Remove(path);
    items_.insert(items_.begin(), path);
    if (items_.size() > kMax) items_.resize(kMax);
}

void RecentFiles::Remove(const std::string& path) { std::erase(items_, path); }

void RecentFiles::Set(const std::vector<std::string>& items)
{
    items_.clear();
    for (const std::string& p : items)
        if (!p.empty() && std::find(items_.begin(), items_.end(), p) == items_.end() && items_.size() < kMax)
            items_.push_back(p);
}

}  // namespace shell
