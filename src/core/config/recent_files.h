#pragma once

#include <functional>
#include <string>
#include <vector>

namespace glkov {

inline constexpr size_t kMaxRecentFiles = 5;

// Puts name at the top of a most-recent-first list: a name already there moves up, the oldest
// drops out beyond maxCount. Empty names are ignored.
void PushRecentFile(std::vector<std::string>& list, const std::string& name,
                    size_t maxCount = kMaxRecentFiles);

// Removes the names for which exists() is false, keeping the order of the rest.
void RemoveObsoleteFiles(std::vector<std::string>& list,
                         const std::function<bool(const std::string&)>& exists);

}  // namespace glkov
