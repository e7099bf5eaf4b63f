#include "core/util/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/test_support.h"

namespace glkov {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Committed, the new contents replace the old file; abandoned, the old file stays. No stray
// temporary file either way.
TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
  for (const bool commit : {true, false}) {
    TempDir dir;
    const auto target = dir / "a.txt";
    WriteFile(target, "old");
    {
      AtomicFile file(target);
      file.Write("new contents");
      EXPECT_EQ(ReadFile(target), "old");
      if (commit) file.Commit();
    }
    EXPECT_EQ(ReadFile(target), commit ? "new contents" : "old");
    EXPECT_EQ(testing::FolderEntries(dir.path()).size(), 1u);
  }
}

// A file of several write-behind windows, written in odd pieces with a header patched at the end
// (as the movie writer does), replacing an older file that is large too.
TEST(AtomicFile, LargeFileWithPatchedHeaderReplacesALargeOne) {
  TempDir dir;
  const auto target = dir / "movie.bin";
  WriteFile(target, std::string(9 << 20, 'o'));
  std::string expected;
  {
    AtomicFile file(target);
    std::string piece(999983, '\0');
    for (int i = 0; i < 13; ++i) {
      for (size_t k = 0; k < piece.size(); ++k) piece[k] = static_cast<char>('a' + (i + k) % 26);
      file.Write(piece);
      expected += piece;
    }
    EXPECT_EQ(file.Seek(16, SEEK_SET), 16);
    file.Write("HEAD");
    expected.replace(16, 4, "HEAD");
    EXPECT_EQ(file.Seek(0, SEEK_END), static_cast<int64_t>(expected.size()));
    file.Write("tail");
    expected += "tail";
    EXPECT_EQ(ReadFile(target), std::string(9 << 20, 'o'));
    file.Commit();
  }
  EXPECT_TRUE(ReadFile(target) == expected);
  EXPECT_EQ(testing::FolderEntries(dir.path()).size(), 1u);
}

}  // namespace
}  // namespace glkov
