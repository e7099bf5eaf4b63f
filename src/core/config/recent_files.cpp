#include "core/config/recent_files.h"

#include <algorithm>

namespace glkov {

void PushRecentFile(std::vector<std::string>& list, const std::string& name, size_t maxCount) {
  if (name.empty()) return;
  list.erase(std::remove(list.begin(), list.end(), name), list.end());
  list.insert(list.begin(), name);
  if (list.size() > maxCount) list.resize(maxCount);
}

void RemoveObsoleteFiles(std::vector<std::string>& list,
                         const std::function<bool(const std::string&)>& exists) {
  list.erase(
      std::remove_if(list.begin(), list.end(), [&](const std::string& n) { return !exists(n); }),
      list.end());
}

}  // namespace glkov
