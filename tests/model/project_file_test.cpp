#include "core/model/project_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/perspective/sub_scenes.h"
#include "model/project_test_helpers.h"
#include "scene/scene_fixtures.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::OneRegionProjectLines;
using testing::ReadFile;
using testing::ScriptedCallbacks;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteRoomPictures;

struct Loaded {
  TProject project;
  TTimeline timeline{project};
  ScriptedCallbacks callbacks;
  ProjectFileInfo info;
};

// Loads text written as dir/name; the project lies beside the room pictures.
void LoadText(Loaded& l, const TempDir& dir, const std::string& text,
              const std::string& name = "room.kov") {
  WriteFile(dir / name, text);
  l.info = LoadProject(l.project, l.timeline, (dir / name).string(), l.callbacks);
}

// Line feeds alone read like the CR LF pairs the program writes (the round trip below).
TEST(LoadProject, WorkedExampleOneSubSceneOneObject) {
  TempDir dir;
  WriteRoomPictures(dir);
  std::string text;
  for (const auto& line : OneRegionProjectLines()) text += line + "\n";
  Loaded l;
  LoadText(l, dir, text);
  const TProject& p = l.project;

  EXPECT_EQ(l.info.Header, "KOV with Perpective Grid");
  EXPECT_EQ(l.info.Version, 3);
  EXPECT_EQ(l.callbacks.Beeps, 0);
  EXPECT_EQ(p.ProjectFileName, (dir / "room.kov").string());
  EXPECT_EQ(p.PictureFilename, (dir / "room.bmp").string());
  EXPECT_EQ(p.BackgroundFilename, (dir / "roomback.bmp").string());
  EXPECT_EQ(p.MaskFilename, (dir / "roommask.bmp").string());
  ASSERT_EQ(p.MeshRegions.size(), 2u);
  const TMeshRegion& r = p.MeshRegions[1];
  EXPECT_EQ(r.Name, "Region 1");
  EXPECT_EQ(r.Right, 639);
  ASSERT_EQ(r.ObjCount, 1);
  EXPECT_EQ(r.Objects[0], (TRegionObject{100, 40, 180, 200, 1, "Object 1"}));
  EXPECT_EQ(std::vector<double>({r.VanishX, r.VanishY, r.InnerLeft, r.InnerTop}),
            std::vector<double>({319.5, 238.5, 213, 318}));
  EXPECT_TRUE(r.PerspectiveDone);
  EXPECT_EQ(p.FocalLength, 554);
  // Entry 0 from line 7, and the viewing window centred at its size.
  EXPECT_EQ(p.MeshRegions[0].Name, "Window");
  EXPECT_EQ(p.ViewWidth, 620);
  EXPECT_EQ(p.ViewLeft, 10);
  EXPECT_EQ(p.Page, 3);
  // Sub-scene 1 entered (what entering copies: the sub-scene tests).
  EXPECT_EQ(p.CurrentRegion, 1);
  EXPECT_EQ(p.fgObjCount(), 1);
  EXPECT_FALSE(p.Modified);
  EXPECT_EQ(l.timeline.KeyCount(), 2);
}

// Version 1.2 ends with one focal length, 1.1 has none (60 degrees over the 640 pixels); both
// beep, and so does a current file that calls itself version 0.
TEST(LoadProject, OlderVersions) {
  TempDir dir;
  WriteRoomPictures(dir);
  auto old = OneRegionProjectLines();
  old.erase(old.begin() + 12);  // the focal length of the sub-scene
  old.erase(old.begin() + 1);   // the version line
  struct Case {
    std::string header, focal;
    int version;
    double focalLength;
  };
  for (const Case& c : {Case{"KOV 1.2 with Perpective Grid", "600.25", 2, 600.25},
                        Case{"KOV 1.1 Multi-Mesh", "", 1, 554}}) {
    auto lines = old;
    lines[0] = c.header;
    if (!c.focal.empty()) lines.push_back(c.focal);
    Loaded l;
    LoadText(l, dir, CrLf(lines));
    EXPECT_EQ(l.info.Version, c.version);
    EXPECT_EQ(l.callbacks.Beeps, 1);
    EXPECT_EQ(l.project.FocalLength, c.focalLength);
    EXPECT_EQ(l.project.Page, 3);
    EXPECT_EQ(l.project.MeshRegions[1].Objects.size(), 1u);
    EXPECT_TRUE(l.project.MeshRegions[1].PerspectiveDone);
  }
  old[0] = "KOV 1.2 with Perpective Grid";  // without its focal length
  Loaded bad;
  EXPECT_THROW(LoadText(bad, dir, CrLf(old)), Error);
  auto v0 = OneRegionProjectLines();
  v0[1] = "0";
  Loaded l;
  LoadText(l, dir, CrLf(v0));
  EXPECT_EQ(l.callbacks.Beeps, 1);
  EXPECT_EQ(l.project.CurrentRegion, 1);
}

TEST(LoadProject, LastFocalLengthWins) {
  TempDir dir;
  WriteRoomPictures(dir);
  std::vector<std::string> lines = {
      "KOV with Perpective Grid", "1.3", "room.bmp", "roomback.bmp", "roommask.bmp", "3"};
  for (int i = 1; i <= 3; ++i) {
    for (const std::string& l :
         {std::string("0 0 300 200 Part ") + std::to_string(i), std::string("0"),
          std::string("150.00 100.00 100.00 66.00 200.00 132.00"), std::string(""),
          std::string("0"), std::to_string(500 + i) + ".50"}) {
      lines.push_back(l);
    }
  }
  lines.push_back("10 10 629 469");
  lines.push_back("0");
  Loaded l;
  LoadText(l, dir, CrLf(lines));
  EXPECT_EQ(l.project.FocalLength, 503.5);
  ASSERT_EQ(l.project.MeshRegions.size(), 4u);
  EXPECT_EQ(l.project.MeshRegions[3].Name, "Part 3");
  EXPECT_EQ(l.project.PicWidth, 301);  // sub-scene 1 entered
}

TEST(LoadProject, NamesLeadingBlanksAndEncodings) {
  TempDir dir;
  WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  lines[6] = "0 0 639 479    Salle \xE9t\xE9 \x80";  // Windows-1252
  lines[7] = "3";
  lines[8] = "1 2 3 4 1";                            // nothing after the fifth number
  lines.insert(lines.begin() + 9, "5 6 7 8 2    ");  // all blanks: one is kept
  lines.insert(lines.begin() + 10, "9 10 11 12 5   Caf\xC3\xA9 n\xC2\xB0 1");  // UTF-8
  Loaded l;
  LoadText(l, dir, CrLf(lines));
  const TMeshRegion& r = l.project.MeshRegions[1];
  EXPECT_EQ(r.Name, "Salle \xC3\xA9t\xC3\xA9 \xE2\x82\xAC");
  ASSERT_EQ(r.Objects.size(), 3u);
  EXPECT_EQ(r.Objects[0].Name, "");
  EXPECT_EQ(r.Objects[1].Name, " ");
  EXPECT_EQ(r.Objects[1].Parent, 2);
  EXPECT_EQ(r.Objects[2].Name, "Caf\xC3\xA9 n\xC2\xB0 1");
}

TEST(LoadProject, NamesAreReducedToTheProjectFolder) {
  TempDir dir;
  WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  lines[2] = "C:\\Photos\\room.bmp";
  lines[3] = "../../etc/roomback.bmp";
  lines[4] = "D:roommask.bmp";
  lines[10] = "..\\paths\\missing.cam";
  Loaded l;
  LoadText(l, dir, CrLf(lines));
  EXPECT_EQ(l.project.PictureFilename, (dir / "room.bmp").string());
  EXPECT_EQ(l.project.BackgroundFilename, (dir / "roomback.bmp").string());
  EXPECT_EQ(l.project.MaskFilename, (dir / "roommask.bmp").string());
  EXPECT_EQ(l.project.MeshRegions[1].CameraPath, "missing.cam");
  // The sub-scene's path file is not there: a warning, and the load goes on with a new path.
  ASSERT_EQ(l.callbacks.Warnings.size(), 1u);
  EXPECT_EQ(l.callbacks.Warnings[0],
            "Path file \"" + (dir / "missing.cam").string() + "\" not found.");
  EXPECT_EQ(l.timeline.KeyCount(), 2);
  EXPECT_EQ(l.project.CameraPathFile, "missing.cam");
}

TEST(LoadProject, PageOutsideTheRangeShowsPageZero) {
  TempDir dir;
  WriteRoomPictures(dir);
  for (const char* page : {"6", "-1", "99"}) {
    auto lines = OneRegionProjectLines();
    lines[14] = page;
    Loaded l;
    LoadText(l, dir, CrLf(lines));
    EXPECT_EQ(l.project.Page, 0) << page;
  }
}

struct MalformedCase {
  const char* what;
  int line;  // line to replace (0-based), -1 to cut the file after `cut` lines
  const char* replacement;
  int cut;
  const char* message;  // expected part of the message
};

class LoadProjectMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(LoadProjectMalformed, ClearErrorNoFileNameLeft) {
  const MalformedCase& c = GetParam();
  TempDir dir;
  WriteRoomPictures(dir);
  auto lines = OneRegionProjectLines();
  if (c.line >= 0) {
    lines[static_cast<size_t>(c.line)] = c.replacement;
  } else {
    lines.resize(static_cast<size_t>(c.cut));
  }
  Loaded l;
  EXPECT_THAT(testing::ErrorOf([&] { LoadText(l, dir, CrLf(lines)); }),
              ::testing::HasSubstr(c.message))
      << c.what;
  EXPECT_EQ(l.project.ProjectFileName, "") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadProjectMalformed,
    ::testing::Values(
        MalformedCase{"wrong header", 0, "KOV with Perspective Grid", 0,
                      "File is not a KOV file or wrong version."},
        MalformedCase{"header with blank", 0, "KOV with Perpective Grid ", 0,
                      "File is not a KOV file or wrong version."},
        MalformedCase{"empty file", -1, "", 0, "File is not a KOV file or wrong version."},
        MalformedCase{"version not a number", 1, "one point three", 0,
                      "room.kov, line 2: the version"},
        MalformedCase{"empty original", 2, "", 0, "Invalid Original Picture Filename."},
        MalformedCase{"original missing", 2, "nothere.bmp", 0, "nothere.bmp"},
        MalformedCase{"count not a number", 5, "one", 0, "room.kov, line 6:"},
        MalformedCase{"count negative", 5, "-1", 0, "room.kov, line 6:"},
        MalformedCase{"count zero", 5, "0", 0, "room.kov, line 6: a project needs at least one"},
        MalformedCase{"count huge", 5, "2000000000", 0, "room.kov, line 6: the file is too short"},
        MalformedCase{"rectangle not numbers", 6, "0 0 639 x Region 1", 0,
                      "room.kov, line 7: the bottom edge \"x\" is not a whole number"},
        MalformedCase{"rectangle short", 6, "0 0", 0,
                      "room.kov, line 7: the right edge is missing"},
        MalformedCase{"object count huge", 7, "123456789", 0, "room.kov, line 8:"},
        MalformedCase{"object not numbers", 8, "100 40 1.5 200 1 Object 1", 0, "room.kov, line 9:"},
        MalformedCase{"mesh not numbers", 9, "319.50 abc 213.00 159.00 426.00 318.00", 0,
                      "room.kov, line 10: VanishY \"abc\" is not a number"},
        MalformedCase{"mesh not finite", 9, "nan 238.50 213.00 159.00 426.00 318.00", 0,
                      "room.kov, line 10:"},
        MalformedCase{"focal not a number", 12, "far", 0, "room.kov, line 13:"},
        MalformedCase{"view window short", 13, "10 10 629", 0, "room.kov, line 14:"},
        MalformedCase{"page not a number", 14, "three", 0, "room.kov, line 15:"},
        MalformedCase{"ends in a sub-scene", -1, "", 10, "room.kov"},
        MalformedCase{"ends before the page", -1, "", 14,
                      "room.kov, line 15: the file ends before the work page."}));

// A project with three sub-scenes, objects, names, meshes and paths, made as a user would.
void MakeRichProject(TProject& p, TTimeline& t, const TempDir& dir) {
  LoadOriginal(p, t, (dir / "room.bmp").string());
  LoadMask(p, (dir / "roommask.bmp").string());
  LoadBackground(p, (dir / "roomback.bmp").string());
  p.VanishX = 300.126;
  p.VanishY = 222.334;
  p.InnerLeft = 200.5;
  p.InnerRight = 420.004;
  p.InnerBottom = 150.995;
  p.InnerTop = 310;
  p.PerspectiveDone = true;
  p.CameraPathFile = "/elsewhere/cams/path1.cam";
  p.fgObjs = {testing::MakeObject("Chair", 10, 20, 30, 40, 1),
              testing::MakeObject("Lamp on the wall", 0, 0, 5, 0, 2)};
  AddSubScene(p);
  AddSubScene(p);
  p.MeshRegions[2].CameraPath = "path2.cam";
  p.MeshRegions[3].Name = "Hall  with  blanks";
  p.MeshRegions[0].Right = 500;
  p.FocalLength = 600.456;
  p.Page = 4;
}

TEST(SaveProject, RoundTripKeepsEverythingToTwoDecimals) {
  TempDir dir;
  WriteRoomPictures(dir);
  TProject p;
  TTimeline t(p);
  MakeRichProject(p, t, dir);
  p.Modified = true;
  const std::string file = (dir / "rich.kov").string();
  SaveProject(p, file);
  EXPECT_FALSE(p.Modified);
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("\r\n1.3\r\nroom.bmp\r\nroomback.bmp\r\nroommask.bmp\r\n3\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("300.13 222.33 200.50 151.00 420.00 310.00\r\npath1.cam\r\n1\r\n600.46\r\n"),
            std::string::npos)
      << text;

  Loaded l;
  l.info = LoadProject(l.project, l.timeline, file, l.callbacks);
  const TProject& q = l.project;
  ASSERT_EQ(q.MeshRegions.size(), 4u);
  for (size_t i = 1; i < 4; ++i) {
    const TMeshRegion& a = p.MeshRegions[i];
    const TMeshRegion& b = q.MeshRegions[i];
    EXPECT_EQ(b.Name, a.Name);
    EXPECT_EQ((std::array{b.Left, b.Top, b.Right, b.Bottom}),
              (std::array{a.Left, a.Top, a.Right, a.Bottom}));
    EXPECT_EQ(b.Objects, a.Objects);
    EXPECT_EQ(b.PerspectiveDone, a.PerspectiveDone);
    for (double TMeshRegion::*f :
         {&TMeshRegion::InnerLeft, &TMeshRegion::InnerRight, &TMeshRegion::InnerBottom,
          &TMeshRegion::InnerTop, &TMeshRegion::VanishX, &TMeshRegion::VanishY}) {
      EXPECT_NEAR(b.*f, a.*f, 0.005);
    }
  }
  EXPECT_EQ(q.MeshRegions[1].CameraPath, "path1.cam");
  EXPECT_EQ(q.MeshRegions[2].CameraPath, "path2.cam");
  EXPECT_NEAR(q.FocalLength, 600.46, 1e-9);
  EXPECT_EQ(q.ViewWidth, 491);
  EXPECT_EQ(q.ViewHeight, 460);
  EXPECT_EQ(q.Page, 4);

  // Saving the loaded project again gives the same bytes.
  const std::string again = (dir / "again.kov").string();
  SaveProject(l.project, again);
  EXPECT_EQ(ReadFile(again), text);
}

TEST(SaveProject, PicturesElsewhereAreWrittenAsBareNames) {
  TempDir pictures, projects;
  WriteRoomPictures(pictures);
  TProject p;
  TTimeline t(p);
  LoadOriginal(p, t, (pictures / "room.bmp").string());
  LoadMask(p, (pictures / "roommask.bmp").string());
  LoadBackground(p, (pictures / "roomback.bmp").string());
  SaveProject(p, (projects / "p.kov").string());
  const std::string text = ReadFile(projects / "p.kov");
  EXPECT_EQ(text.find(pictures.path().string()), std::string::npos);
  Loaded l;
  EXPECT_THROW(LoadProject(l.project, l.timeline, (projects / "p.kov").string()), Error);
}

// A save that fails writes nothing and leaves the project modified (the old file itself: the
// injected faults).
TEST(SaveProject, FailedSaveWritesNothingAndLeavesTheProjectModified) {
  TempDir dir;
  TProject empty;
  EXPECT_THROW(SaveProject(empty, (dir / "empty.kov").string()), Error);  // no sub-scenes
  EXPECT_FALSE(std::filesystem::exists(dir / "empty.kov"));
  WriteRoomPictures(dir);
  TProject p;
  TTimeline t(p);
  LoadOriginal(p, t, (dir / "room.bmp").string());
  p.Modified = true;
  EXPECT_THROW(SaveProject(p, (dir / "none" / "room.kov").string()), Error);
  EXPECT_TRUE(p.Modified);
}

TEST(ProjectTitle, NameWithoutFolderAndExtension) {
  EXPECT_EQ(ProjectTitle("/home/u/My Room.kov"), "My Room");
  EXPECT_EQ(ProjectTitle("C:\\p\\a.b.kov"), "a.b");
  EXPECT_EQ(ProjectTitle("plain"), "plain");
}

}  // namespace
}  // namespace glkov
