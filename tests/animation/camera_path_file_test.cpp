#include "core/animation/camera_path_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "core/model/project.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::ReadFile;
using testing::ScriptedCallbacks;
using testing::TempDir;
using testing::WriteFile;

std::vector<std::string> ThreeKeyLines() {
  return {"KOV Camera Path File 1.1",
          "20",
          "60",
          "40",
          "3",
          "1 0 0.75 1 0 0 -1 0 1 0",
          "1 1 0.75 0 0 0 -1 0 1 0",
          "0 2 0.75 1 0 0 -1 0 1 0"};
}

std::string LoadError(TTimeline& t, const std::string& file, UiCallbacks& cb) {
  return testing::ErrorOf([&] { LoadCameraPathFile(t, file, cb); });
}

TEST(SaveCameraPathFile, WorkedExampleLine) {
  TempDir dir;
  TProject p;
  p.MeshRegions.resize(3);
  p.CurrentRegion = 2;
  p.Camera = {{0, 0.75, 1}, {0, 0, -1}, {0, 1, 0}};
  TTimeline t(p);
  t.RecordCurrentFrame();
  const std::string file = (dir / "walk.cam").string();
  SaveCameraPathFile(t, file);
  EXPECT_EQ(ReadFile(file),
            "KOV Camera Path File 1.1\r\n20\r\n60\r\n40\r\n2\r\n"
            "1 0 0.75 1 0 0 -1 0 1 0\r\n0 0 0.75 1 0 0 -1 0 1 0\r\n");
  EXPECT_EQ(t.Caption(), "Animation Path - [" + file + "]");
  EXPECT_EQ(p.CameraPathFile, file);
  EXPECT_EQ(p.MeshRegions[2].CameraPath, "walk.cam");
  EXPECT_EQ(p.MeshRegions[2].TransitionPath, "");
}

TEST(CameraPathFile, RoundTripKeepsRatesFlagsAnd15Digits) {
  TempDir dir;
  TProject p;
  TTimeline t(p);
  t.FPS = 25;
  t.FPK = -7;
  t.Trans = 123456;
  t.SetNoOfKeyframeEdit("4");
  const double values[] = {
      1.0 / 3,          -2.0 / 7, 1e-20, 6.02214076e23, 123456789012345.0, -0.000123456789012345,
      3.14159265358979, 0,        -1};
  for (int k = 0; k < 4; ++k) {
    TKeyFrame& key = t.KeyFrames()[static_cast<size_t>(k)];
    key.Recorded = k % 2 == 0;
    key.CamPos = {values[k], values[k + 1], values[k + 2]};
    key.CamDir = {values[k + 3], values[k + 4], values[k + 5]};
    key.CamUp = {values[(k + 6) % 9], values[(k + 7) % 9], values[(k + 8) % 9]};
  }
  const std::string file = (dir / "r.cam").string();
  SaveCameraPathFile(t, file);

  TProject q;
  TTimeline u(q);
  ScriptedCallbacks cb;
  LoadCameraPathFile(u, file, cb);
  EXPECT_TRUE(cb.Questions.empty());
  EXPECT_EQ(u.FPS, 25);
  EXPECT_EQ(u.FPK, -7);
  EXPECT_EQ(u.Trans, 123456);
  ASSERT_EQ(u.KeyCount(), 4);
  const auto near15 = [](double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-14 * std::max(std::fabs(a), std::fabs(b));
  };
  for (size_t k = 0; k < 4; ++k) {
    const TKeyFrame& a = t.KeyFrames()[k];
    const TKeyFrame& b = u.KeyFrames()[k];
    EXPECT_EQ(a.Recorded, b.Recorded);
    for (auto [x, y] : {std::pair{a.CamPos, b.CamPos}, {a.CamDir, b.CamDir}, {a.CamUp, b.CamUp}}) {
      EXPECT_TRUE(near15(x.x, y.x)) << x.x << " " << y.x;
      EXPECT_TRUE(near15(x.y, y.y)) << x.y << " " << y.y;
      EXPECT_TRUE(near15(x.z, y.z)) << x.z << " " << y.z;
    }
  }
  EXPECT_NE(ReadFile(file).find("1E-20"), std::string::npos);
  EXPECT_EQ(u.CurrentKey(), 1);
  EXPECT_EQ(u.Caption(), "Animation Path - [" + file + "]");
  EXPECT_EQ(q.Camera, u.KeyFrames()[0].Camera());  // key 1 is recorded: the camera takes it
}

TEST(LoadCameraPathFile, TokensLeadingBlanksTrailingWordsAndLineFeeds) {
  TempDir dir;
  const std::string file = (dir / "t.cam").string();
  WriteFile(file,
            "KOV Camera Path File 1.1\n  20 frames\n\t60\n40\n3\n"
            "   1 0 0.75 1 0 0 -1 0 1 0 comment\n"
            "257 1e1 .5 -2.5E-1 0 0\n -1 0 1 0\n"
            "256 0 0 0 0 0 0 0 0 0\n");
  TProject p;
  TTimeline t(p);
  LoadCameraPathFile(t, file);
  EXPECT_EQ(t.FPS, 20);
  EXPECT_EQ(t.FPK, 60);
  ASSERT_EQ(t.KeyCount(), 3);
  EXPECT_TRUE(t.KeyFrames()[0].Recorded);
  EXPECT_TRUE(t.KeyFrames()[1].Recorded);   // low byte of 257 is 1
  EXPECT_FALSE(t.KeyFrames()[2].Recorded);  // low byte of 256 is 0
  EXPECT_EQ(t.KeyFrames()[1].CamPos, (Vec3{10, 0.5, -0.25}));
  EXPECT_EQ(t.KeyFrames()[1].CamUp, (Vec3{0, 1, 0}));
}

TEST(LoadCameraPathFile, OneKeyAsksOnceYesReadsOne) {
  TempDir dir;
  const std::string file = (dir / "one.cam").string();
  WriteFile(file,
            CrLf({"KOV Camera Path File 1.1", "20", "60", "40", "1", "1 5 0 0 0 0 -1 0 1 0"}));
  TProject p;
  TTimeline t(p);
  ScriptedCallbacks yes;
  LoadCameraPathFile(t, file, yes);
  EXPECT_EQ(yes.Questions, std::vector<std::string>{"Delete current keyframe?"});
  ASSERT_EQ(t.KeyCount(), 1);
  EXPECT_EQ(t.KeyFrames()[0].CamPos.x, 5);

  // On No two key lines are expected, and the file has one: a clear error.
  TTimeline u(p);
  ScriptedCallbacks no;
  no.Answers = {false};
  const std::string message = LoadError(u, file, no);
  EXPECT_NE(message.find("one.cam, line "), std::string::npos) << message;
  EXPECT_NE(message.find("ends before key frame 2"), std::string::npos) << message;
}

TEST(LoadCameraPathFile, MissingFileAndWrongHeaderChangeNothing) {
  TempDir dir;
  TProject p;
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("3");
  t.FPS = 33;
  ScriptedCallbacks cb;
  const std::string missing = (dir / "gone.cam").string();
  EXPECT_EQ(LoadError(t, missing, cb), "Path file \"" + missing + "\" not found.");
  for (const char* header :
       {"KOV Camera Path File 1.2", "KOV Camera Path File 1.1 ", "kov camera path file 1.1", ""}) {
    auto lines = ThreeKeyLines();
    lines[0] = header;
    WriteFile(dir / "bad.cam", CrLf(lines));
    EXPECT_EQ(LoadError(t, (dir / "bad.cam").string(), cb),
              "Not a valid KOV Camera File or wrong version.")
        << header;
  }
  WriteFile(dir / "empty.cam", "");
  EXPECT_EQ(LoadError(t, (dir / "empty.cam").string(), cb),
            "Not a valid KOV Camera File or wrong version.");
  EXPECT_EQ(t.KeyCount(), 3);
  EXPECT_EQ(t.FPS, 33);
}

struct BrokenPath {
  const char* what;
  int line;
  const char* replacement;
  int cut;  // keep this many lines when line < 0
  const char* message;
};

class LoadCameraPathFileBroken : public ::testing::TestWithParam<BrokenPath> {};

TEST_P(LoadCameraPathFileBroken, ClearErrorNamingFileAndLine) {
  const BrokenPath& c = GetParam();
  TempDir dir;
  auto lines = ThreeKeyLines();
  if (c.line >= 0) {
    lines[static_cast<size_t>(c.line)] = c.replacement;
  } else {
    lines.resize(static_cast<size_t>(c.cut));
  }
  WriteFile(dir / "p.cam", CrLf(lines));
  TProject p;
  TTimeline t(p);
  ScriptedCallbacks cb;
  const std::string message = LoadError(t, (dir / "p.cam").string(), cb);
  EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadCameraPathFileBroken,
    ::testing::Values(
        BrokenPath{"rate not a number", 1, "twenty", 0, "I/O error 106: "},
        BrokenPath{"rate with fraction", 2, "60.5", 0, "I/O error 106: "},
        BrokenPath{"rate out of range", 3, "9999999999", 0, "I/O error 106: "},
        BrokenPath{"count not a number", 4, "3x", 0, "p.cam, line 5"},
        BrokenPath{"count negative", 4, "-2", 0, "p.cam, line 5: the number of key frames"},
        BrokenPath{"count beyond the file", 4, "2000000", 0, "p.cam, line 5: the file ends"},
        BrokenPath{"value not a number", 6, "1 1 0.75 zero 0 0 -1 0 1 0", 0,
                   "p.cam, line 7: key frame 2 \"zero\""},
        BrokenPath{"value not finite", 6, "1 1 0.75 inf 0 0 -1 0 1 0", 0, "I/O error 106"},
        BrokenPath{"flag not a number", 7, "yes 2 0.75 1 0 0 -1 0 1 0", 0,
                   "p.cam, line 8: key frame 3 \"yes\""},
        BrokenPath{"key line short", 7, "0 2 0.75", 0, "the file ends before key frame 3"},
        BrokenPath{"ends after the header", -1, "", 1,
                   "p.cam, line 2: the file ends before the frames per second"},
        BrokenPath{"ends in the keys", -1, "", 7, "p.cam, line 5: the file ends before all 3"}));

TEST(LoadCameraPathFile, PartlyReadFileKeepsTheNewPath) {
  TempDir dir;
  auto lines = ThreeKeyLines();
  lines[7] = "0 2 0.75 x 0 0 -1 0 1 0";
  WriteFile(dir / "p.cam", CrLf(lines));
  TProject p;
  TTimeline t(p);
  EXPECT_THROW(LoadCameraPathFile(t, (dir / "p.cam").string()), Error);
  EXPECT_EQ(t.KeyCount(), 3);
  EXPECT_TRUE(t.KeyFrames()[1].Recorded);
  EXPECT_EQ(p.CameraPathFile, (dir / "p.cam").string());
}

// A save that fails changes none of the names (the old file itself: the injected faults).
TEST(SaveCameraPathFile, FailedSaveKeepsTheNames) {
  TempDir dir;
  TProject p;
  p.MeshRegions.resize(2);
  p.CurrentRegion = 1;
  p.MeshRegions[1].CameraPath = "before.cam";
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("3");
  EXPECT_THROW(SaveCameraPathFile(t, (dir / "none" / "walk.cam").string()), Error);
  EXPECT_EQ(p.MeshRegions[1].CameraPath, "before.cam");
  EXPECT_TRUE(p.CameraPathFile.empty());
}

}  // namespace
}  // namespace glkov
