#include "core/config/recent_files.h"

#include <gtest/gtest.h>

namespace glkov {
namespace {

using List = std::vector<std::string>;

TEST(RecentFiles, SixProjectsKeepTheFiveNewest) {
  List list;
  for (const char* f : {"1", "2", "3", "4", "5", "6"}) PushRecentFile(list, f);
  EXPECT_EQ(list, (List{"6", "5", "4", "3", "2"}));
  PushRecentFile(list, "4");  // reopening the third moves it to the top
  EXPECT_EQ(list, (List{"4", "6", "5", "3", "2"}));
  PushRecentFile(list, "");  // no name, no entry
  EXPECT_EQ(list, (List{"4", "6", "5", "3", "2"}));
}

TEST(RecentFiles, RemoveObsoleteKeepsOrder) {
  List list{"a", "gone", "b", "gone2"};
  RemoveObsoleteFiles(list, [](const std::string& f) { return f.rfind("gone", 0) != 0; });
  EXPECT_EQ(list, (List{"a", "b"}));
}

}  // namespace
}  // namespace glkov
