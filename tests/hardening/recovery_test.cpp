#include "core/model/recovery.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "model/project_test_helpers.h"
#include "support/child_process.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

constexpr int64_t kSavedAt = 1765000000;  // 2025-12-06 05:46:40 UTC

// A project saved in dir as room.kov, then changed without saving.
void EditedProject(TProject& p, TTimeline& t, const TempDir& dir) {
  testing::WriteRoomPictures(dir, 64, 48);
  testing::WriteFile(dir / "room.kov", testing::CrLf(testing::OneRegionProjectLines()));
  LoadProject(p, t, (dir / "room.kov").string());
  p.MeshRegions[1].Name = "Renamed since the save";
  p.Modified = true;
}

TEST(Recovery, WrittenFoundRestoredWithItsOwnFileNameAndRemoved) {
  TempDir projectDir, settings;
  TProject p;
  TTimeline t(p);
  EditedProject(p, t, projectDir);
  WriteRecovery(p, settings.path().string(), kSavedAt);
  EXPECT_TRUE(p.Modified) << "a recovery is no save";
  EXPECT_EQ(testing::FolderEntries(settings.path()),
            (std::set<std::string>{kRecoveryProjectName, kRecoveryNoteName}));

  const auto info = FindRecovery(settings.path().string());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->ProjectFileName, (projectDir / "room.kov").string());
  EXPECT_EQ(info->ProjectDir, projectDir.path().string() + "/");
  EXPECT_EQ(info->SavedAt, kSavedAt);

  TProject q;
  TTimeline u(q);
  RestoreRecovery(q, u, settings.path().string());
  EXPECT_EQ(q.MeshRegions[1].Name, "Renamed since the save");
  EXPECT_EQ(q.ProjectFileName, (projectDir / "room.kov").string());
  EXPECT_TRUE(q.Modified);
  EXPECT_EQ(q.PicWidth, 64);
  // The user's own project file was not touched.
  EXPECT_EQ(testing::ReadFile(projectDir / "room.kov"),
            testing::CrLf(testing::OneRegionProjectLines()));

  // Removing takes both files and nothing else, and is quiet when they are gone.
  testing::WriteFile(settings / "glKOV.conf", "[MRU Items]\r\n");
  RemoveRecovery(settings.path().string());
  EXPECT_EQ(testing::FolderEntries(settings.path()), std::set<std::string>{"glKOV.conf"});
  RemoveRecovery(settings.path().string());
  EXPECT_FALSE(FindRecovery(settings.path().string()));
}

TEST(Recovery, UntitledProjectKeepsItsPictureFolder) {
  TempDir pictures, settings;
  testing::WriteRoomPictures(pictures, 64, 48);
  TProject p;
  TTimeline t(p);
  LoadOriginal(p, t, (pictures / "room.bmp").string());
  p.Modified = true;
  WriteRecovery(p, settings.path().string(), kSavedAt);
  TProject q;
  TTimeline u(q);
  const auto info = RestoreRecovery(q, u, settings.path().string());
  EXPECT_EQ(info.ProjectFileName, "");
  EXPECT_EQ(q.ProjectFileName, "");
  EXPECT_EQ(q.PicWidth, 64);
  EXPECT_TRUE(q.Modified);
}

TEST(Recovery, NothingOrHalfAOrDamagedRecoveryIsNotOffered) {
  TempDir settings;
  const std::string folder = settings.path().string();
  EXPECT_FALSE(FindRecovery(folder));
  EXPECT_FALSE(FindRecovery((settings / "no-such-folder").string()));
  TProject p;
  TTimeline t(p);
  EXPECT_THROW(RestoreRecovery(p, t, folder), Error);

  testing::WriteFile(settings / kRecoveryProjectName, "KOV with Perpective Grid\r\n");
  EXPECT_FALSE(FindRecovery(folder)) << "a project without its note";
  for (const char* note :
       {"", "glKOV recovery 1\r\n", "glKOV recovery 2\r\n1\r\n\r\n\r\n",
        "glKOV recovery 1\r\nsoon\r\n\r\n\r\n", "glKOV recovery 1\r\n1\r\n\r\n\r\nextra\r\n"}) {
    testing::WriteFile(settings / kRecoveryNoteName, note);
    EXPECT_FALSE(FindRecovery(folder)) << note;
  }
  testing::WriteFile(settings / kRecoveryNoteName, "glKOV recovery 1\r\n12\r\n\r\n/pictures\r\n");
  const auto info = FindRecovery(folder);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->ProjectDir, "/pictures/");
  EXPECT_EQ(info->SavedAt, 12);
}

// A recovery whose project cannot be written (a full disk) keeps the earlier note: the project
// file itself is kept as every saved project is (see the injected faults).
TEST(Recovery, FailedWriteKeepsTheEarlierRecovery) {
  TempDir projectDir, settings;
  TProject p;
  TTimeline t(p);
  EditedProject(p, t, projectDir);
  WriteRecovery(p, settings.path().string(), kSavedAt);
  p.fgObjs.resize(2000);
  const auto run = testing::RunWithFileSizeLimit(
      1024, [&] { WriteRecovery(p, settings.path().string(), kSavedAt + 120); });
  ASSERT_TRUE(run.ThrewGlkovError);
  EXPECT_EQ(FindRecovery(settings.path().string())->SavedAt, kSavedAt);
}

TEST(Recovery, QuestionNamesTheLocalTimeAndTheProject) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz ? oldTz : "";
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  EXPECT_EQ(RecoveryQuestion({"/home/u/room.kov", "/home/u/", kSavedAt}),
            "Restore unsaved work from 2025-12-06 05:46 (room)?");
  EXPECT_EQ(RecoveryQuestion({"", "/home/u/", kSavedAt}),
            "Restore unsaved work from 2025-12-06 05:46?");
  if (oldTz) {
    ::setenv("TZ", saved.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

}  // namespace
}  // namespace glkov
