#include "core/util/atomic_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "core/error.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

size_t EntriesIn(const std::filesystem::path& dir) {
  size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
  TempDir dir;
  const auto target = dir / "a.txt";
  WriteFile(target, "old");
  {
    AtomicFile file(target);
    file.Write("new contents");
    EXPECT_EQ(ReadFile(target), "old");
    file.Commit();
  }
  EXPECT_EQ(ReadFile(target), "new contents");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesOldFileAndNoStray) {
  TempDir dir;
  const auto target = dir / "a.txt";
  WriteFile(target, "old");
  {
    AtomicFile file(target);
    file.Write("half");
  }
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicFile, ReadOnlyFolderGivesAClearError) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  TempDir dir;
  const auto target = dir / "a.txt";
  WriteFile(target, "old");
  std::filesystem::permissions(
      dir.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  try {
    WriteFileAtomically(target, "new");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(target.string()), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadFile(target), "old");
}

TEST(AtomicFile, MissingFolderNamesTheFile) {
  TempDir dir;
  const auto target = dir / "no" / "such" / "a.txt";
  try {
    WriteFileAtomically(target, "new");
    FAIL() << "no error";
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(target.string()), std::string::npos) << what;
    EXPECT_NE(what.find("No such file"), std::string::npos) << what;
  }
}

TEST(AtomicFile, FileSizeLimitDuringWriteKeepsOldFile) {
  TempDir dir;
  const auto target = dir / "big.bin";
  WriteFile(target, "previous");
  // A child process with a small file size limit stands in for a file system that fills up.
  const auto run = testing::RunWithFileSizeLimit(
      4096, [&] { WriteFileAtomically(target, std::string(100000, 'x')); });
  ASSERT_TRUE(run.ThrewGlkovError);
  EXPECT_NE(run.Error.find("big.bin"), std::string::npos) << run.Error;
  EXPECT_EQ(ReadFile(target), "previous");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

}  // namespace
}  // namespace glkov
