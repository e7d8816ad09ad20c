// SPDX-License-Identifier: MIT
#pragma once
/**
 * @file RecentFiles.h
 * @brief The File menu's recent photos: the last ones opened, newest first, each once.
 */
#include <string>
#include <vector>

namespace shell {

class RecentFiles {
public:
    static constexpr size_t kMax = 10;

    /** Puts the path first (moving it when it is there already) and drops the oldest past kMax. */
    void Add(const std::string& path);
    void Remove(const std::string& path);
    void Clear() { items_.clear(); }
    const std::vector<std::string>& Items() const { return items_; }
    /** Replaces the list (from the settings file): empties and repeats are dropped, at most kMax kept. */
    void Set(const std::vector<std::string>& items);

private:
    std::vector<std::string> items_;
};

}  // namespace shell
