#include "core/perspective/sub_scenes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::CrLf;
using testing::GradientPicture;
using testing::ScriptedCallbacks;
using testing::TempDir;
using testing::WriteFile;
using testing::WriteRoomPictures;

using Room = testing::ImportedRoom;

TEST(InitRegions, WorkedPictureSizes) {
  struct Case {
    int w, h;
    std::vector<int> window;   // Left, Top, Right, Bottom
    std::vector<double> mesh;  // InnerLeft, InnerRight, InnerBottom, InnerTop, VanishX, VanishY
  };
  const Case cases[] = {{640, 480, {10, 10, 629, 469}, {213, 426, 159, 318, 319.5, 238.5}},
                        {300, 200, {10, 10, 289, 189}, {99, 198, 66, 132, 148.5, 99}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    Room room(c.w, c.h);
    const TProject& p = room.project;
    ASSERT_EQ(p.MeshRegions.size(), 2u);
    const TMeshRegion& w = p.MeshRegions[0];
    EXPECT_EQ(w.Name, "Window");
    EXPECT_EQ(std::vector<int>({w.Left, w.Top, w.Right, w.Bottom}), c.window);
    const TMeshRegion& r = p.MeshRegions[1];
    EXPECT_EQ(r.Name, "Region 1");
    EXPECT_EQ(std::vector<int>({r.Left, r.Top, r.Right, r.Bottom}),
              std::vector<int>({0, 0, c.w - 1, c.h - 1}));
    EXPECT_EQ(std::vector<double>(
                  {r.InnerLeft, r.InnerRight, r.InnerBottom, r.InnerTop, r.VanishX, r.VanishY}),
              c.mesh);
    EXPECT_EQ(r.ObjCount, 0);
    EXPECT_EQ(r.CameraPath, "");
    // The working copy is Region 1.
    EXPECT_EQ(p.CurrentRegion, 1);
    EXPECT_EQ(p.InnerBottom, r.InnerBottom);
    EXPECT_EQ(p.VanishY, r.VanishY);
  }
}

// The new sub-scene covers the middle third of the picture (rounded to the nearest pixel) with
// its mesh in proportion; the numbers go on.
TEST(AddSubScene, MiddleThirdNumberedOn) {
  struct Case {
    int w, h;
    std::vector<int> rect;     // Left, Top, Right, Bottom
    std::vector<double> mesh;  // InnerLeft, InnerRight, InnerBottom, InnerTop, VanishX, VanishY
  };
  const Case cases[] = {{640, 480, {213, 160, 480, 360}, {89, 178, 66, 132, 133.5, 99}},
                        {301, 202, {100, 67, 226, 152}, {}}};  // 225.75 and 151.5 round up
  for (const Case& c : cases) {
    Room room(c.w, c.h);
    AddSubScene(room.project);
    ASSERT_EQ(room.project.MeshRegions.size(), 3u);
    const TMeshRegion& s = room.project.MeshRegions[2];
    EXPECT_EQ(s.Name, "SubScene 2");
    EXPECT_EQ(std::vector<int>({s.Left, s.Top, s.Right, s.Bottom}), c.rect);
    if (!c.mesh.empty()) {
      EXPECT_EQ(std::vector<double>(
                    {s.InnerLeft, s.InnerRight, s.InnerBottom, s.InnerTop, s.VanishX, s.VanishY}),
                c.mesh);
    }
    EXPECT_TRUE(s.Objects.empty());
    AddSubScene(room.project);
    EXPECT_EQ(room.project.MeshRegions[3].Name, "SubScene 3");
  }
}

TEST(DeleteLastSubScene, NeverBelowTwoEntriesAndAlwaysTheLast) {
  Room room(640, 480);
  TProject& p = room.project;
  ScriptedCallbacks cb;
  EXPECT_FALSE(DeleteLastSubScene(p, cb));
  EXPECT_TRUE(cb.Questions.empty());
  AddSubScene(p);
  AddSubScene(p);
  p.CurrentRegion = 2;
  cb.Answers = {false};
  EXPECT_FALSE(DeleteLastSubScene(p, cb));
  EXPECT_EQ(p.MeshRegions.size(), 4u);
  EXPECT_EQ(p.CurrentRegion, 2);
  EXPECT_TRUE(DeleteLastSubScene(p, cb));
  EXPECT_EQ(cb.Questions, (std::vector<std::string>{"Really Delete 'SubScene 3'?",
                                                    "Really Delete 'SubScene 3'?"}));
  EXPECT_EQ(p.MeshRegions.size(), 3u);
  EXPECT_EQ(p.MeshRegions.back().Name, "SubScene 2");
  EXPECT_EQ(p.CurrentRegion, -2);
}

TEST(SubSceneLists, RegionAndTransitionItems) {
  Room room(640, 480);
  TProject& p = room.project;
  EXPECT_EQ(FillRegionList(p), std::vector<std::string>{"Region 1"});
  EXPECT_EQ(FillSceneTransitionList(p), std::vector<std::string>{"Region 1"});
  AddSubScene(p);
  AddSubScene(p);
  EXPECT_EQ(FillRegionList(p), (std::vector<std::string>{"Region 1", "SubScene 2", "SubScene 3"}));
  const auto items = FillSceneTransitionList(p);
  EXPECT_EQ(items, (std::vector<std::string>{"Region 1", "Region 1 to SubScene 2", "SubScene 2",
                                             "SubScene 2 to SubScene 3", "SubScene 3"}));
  // Item 3 is the transition from sub-scene 2 to 3.
  const SceneListItem item = SceneTransitionItem(3);
  EXPECT_TRUE(item.Transition);
  EXPECT_EQ(item.Number, 2);
  EXPECT_EQ(LoadingTransitionText(item.Number), "Loading global scene (2->3)...");
  EXPECT_FALSE(SceneTransitionItem(4).Transition);
  EXPECT_EQ(SceneTransitionItem(4).Number, 3);
  EXPECT_EQ(LoadingSceneText(3), "Loading scene 3...");
  TProject empty;
  EXPECT_TRUE(FillRegionList(empty).empty());
  EXPECT_TRUE(FillSceneTransitionList(empty).empty());
}

TEST(EnterSubScene, CutsPicturesLoadsTheRegionAndCentresTheWindow) {
  Room room(640, 480);
  TProject& p = room.project;
  AddSubScene(p);
  p.MeshRegions[2].PerspectiveDone = true;
  p.MeshRegions[2].Objects = {{1, 2, 3, 4, 5, "Box"}};
  p.MeshRegions[2].ObjCount = 1;
  p.ObjectsExtracted = true;
  p.TransitionMode = true;
  p.Boards[0].Texels.assign(12, 1);
  ScriptedCallbacks cb;
  EnterSubScene(p, room.timeline, 2, cb);
  EXPECT_EQ(p.CurrentRegion, 2);
  EXPECT_EQ(p.PicWidth, 268);
  EXPECT_EQ(p.PicHeight, 201);
  // Top-left pixel of the cut-out is picture pixel (213, 160).
  EXPECT_EQ(p.IOriginal_r.Pixel(0, 0)[0], 213);
  EXPECT_EQ(p.IOriginal_r.Pixel(0, 0)[1], 160);
  EXPECT_EQ(p.IMask_r.Pixel(0, 0)[2], 2);
  EXPECT_FALSE(p.ObjectsExtracted);
  EXPECT_FALSE(p.TransitionMode);
  EXPECT_TRUE(p.Boards[0].Texels.empty());
  EXPECT_EQ(p.InnerLeft, 89);
  EXPECT_TRUE(p.PerspectiveDone);
  ASSERT_EQ(p.fgObjCount(), 1);
  EXPECT_EQ(p.fgObjs[0].Name, "Box");
  // Viewing window of 620 x 460 centred in 268 x 201, not clamped.
  EXPECT_EQ(p.ViewWidth, 620);
  EXPECT_EQ(p.ViewLeft, -176);
  EXPECT_EQ(p.ViewBottom, -129);
  EXPECT_EQ(room.timeline.Caption(), "Animation Path - [Untitled]");
  EXPECT_TRUE(cb.Warnings.empty());
}

TEST(EnterSubScene, RectangleOutsideThePictureIsClampedOrRefused) {
  Room room(300, 200);
  TProject& p = room.project;
  AddSubScene(p);
  TMeshRegion& s = p.MeshRegions[2];
  s.Left = -20;
  s.Top = 150;
  s.Right = 400;
  s.Bottom = 260;
  EnterSubScene(p, room.timeline, 2);
  EXPECT_EQ(std::vector<int>({s.Left, s.Top, s.Right, s.Bottom}),
            std::vector<int>({0, 150, 299, 199}));
  EXPECT_EQ(p.PicWidth, 300);
  EXPECT_EQ(p.PicHeight, 50);

  AddSubScene(p);
  p.MeshRegions[3].Left = 310;
  p.MeshRegions[3].Right = 400;
  EXPECT_THROW(EnterSubScene(p, room.timeline, 3), Error);
  AddSubScene(p);
  p.MeshRegions[4].Right = p.MeshRegions[4].Left - 5;  // dragged to a negative size
  EXPECT_THAT(testing::ErrorOf([&] { EnterSubScene(p, room.timeline, 4); }),
              ::testing::HasSubstr("SubScene 4"));
  EXPECT_EQ(p.CurrentRegion, 2);  // a refused sub-scene changes nothing
  EXPECT_EQ(p.PicHeight, 50);
  EXPECT_THROW(EnterSubScene(p, room.timeline, 0), Error);
  EXPECT_THROW(EnterSubScene(p, room.timeline, 5), Error);
}

TEST(EnterSubScene, MaskOfAnotherSizeIsCutWithBlackOutside) {
  Room room(300, 200);
  TProject& p = room.project;
  p.IMask = GradientPicture(100, 50, 9);
  EnterSubScene(p, room.timeline, 1);
  ASSERT_EQ(p.IMask_r.Width(), 300);
  ASSERT_EQ(p.IMask_r.Height(), 200);
  EXPECT_EQ(p.IMask_r.Pixel(99, 49)[2], 9);
  EXPECT_EQ(p.IMask_r.Pixel(100, 49)[2], 0);
  EXPECT_EQ(p.IMask_r.Pixel(0, 50)[2], 0);
}

TEST(EnterSubScene, LoadsItsCameraPathOrWarns) {
  TempDir dir;
  WriteFile(dir / "p2.cam",
            CrLf({"KOV Camera Path File 1.1", "20", "60", "40", "3", "1 0 0 1 0 0 -1 0 1 0",
                  "1 0 0 2 0 0 -1 0 1 0", "1 0 0 3 0 0 -1 0 1 0"}));
  Room room(640, 480);
  TProject& p = room.project;
  p.ProjectDir = dir.path().string() + "/";
  AddSubScene(p);
  AddSubScene(p);
  p.MeshRegions[2].CameraPath = "p2.cam";
  p.MeshRegions[3].CameraPath = "lost.cam";
  ScriptedCallbacks cb;
  EnterSubScene(p, room.timeline, 2, cb);
  EXPECT_EQ(room.timeline.KeyCount(), 3);
  EXPECT_EQ(p.CameraPathFile, "p2.cam");
  EXPECT_TRUE(cb.Warnings.empty());

  EnterSubScene(p, room.timeline, 3, cb);
  ASSERT_EQ(cb.Warnings.size(), 1u);
  EXPECT_EQ(cb.Warnings[0], "Path file \"" + p.ProjectDir + "lost.cam\" not found.");
  EXPECT_EQ(room.timeline.KeyCount(), 2);  // a new path, not the previous sub-scene's
  EXPECT_EQ(p.CameraPathFile, "lost.cam");

  // A full name (as StoreRegion leaves it) is used as it is.
  p.MeshRegions[3].CameraPath = (dir / "p2.cam").string();
  EnterSubScene(p, room.timeline, 3, cb);
  EXPECT_EQ(room.timeline.KeyCount(), 3);
  EXPECT_EQ(cb.Warnings.size(), 1u);
}

TEST(EnterTransition, NewPathAndTransitionMode) {
  Room room(640, 480);
  TProject& p = room.project;
  AddSubScene(p);
  room.timeline.SetNoOfKeyframeEdit("4");
  EnterTransition(p, room.timeline, 1);
  EXPECT_TRUE(p.TransitionMode);
  EXPECT_EQ(p.CurrentRegion, 1);
  EXPECT_EQ(room.timeline.KeyCount(), 2);
  EXPECT_EQ(p.ViewWidth, 620);
  EXPECT_THROW(EnterTransition(p, room.timeline, 2), Error);  // no sub-scene 3
  EnterSubScene(p, room.timeline, 2);
  EXPECT_FALSE(p.TransitionMode);
}

TEST(LoadOriginal, ImportGivesDefaultsAndTheSubSceneList) {
  TempDir dir;
  WriteRoomPictures(dir, 640, 480);
  TProject p;
  TTimeline t(p);
  t.SetNoOfKeyframeEdit("5");
  p.Page = 4;
  LoadOriginal(p, t, (dir / "room.bmp").string());
  EXPECT_EQ(p.PicWidth, 640);
  EXPECT_EQ(p.PicHeight, 480);
  EXPECT_TRUE(p.OriginalLoaded);
  EXPECT_EQ(p.FocalLength, 554);
  EXPECT_EQ(p.Page, 0);
  EXPECT_EQ(t.KeyCount(), 2);
  EXPECT_EQ(p.CurrentRegion, 1);
  LoadMask(p, (dir / "roommask.bmp").string());
  LoadBackground(p, (dir / "roomback.bmp").string());
  EXPECT_EQ(p.IMask_r.Height(), 480);
  EXPECT_EQ(p.IBackground_r.Width(), 640);

  // A picture that cannot be read: the name is taken, the old picture stays.
  WriteFile(dir / "broken.bmp", "BM not really");
  EXPECT_THROW(LoadOriginal(p, t, (dir / "broken.bmp").string()), Error);
  EXPECT_EQ(p.PictureFilename, (dir / "broken.bmp").string());
  EXPECT_EQ(p.IOriginal.Width(), 640);
  // An empty name does nothing.
  LoadMask(p, "");
  EXPECT_EQ(p.MaskFilename, (dir / "roommask.bmp").string());

  EXPECT_EQ(p.WorkingRegion, 1);
  CloseProject(p, t);
  EXPECT_EQ(p.WorkingRegion, -2);
  EXPECT_FALSE(p.OriginalLoaded);
  EXPECT_TRUE(p.PictureFilename.empty());
  EXPECT_TRUE(p.MeshRegions.empty());
  EXPECT_TRUE(p.IOriginal.Empty());
  EXPECT_EQ(p.CurrentRegion, -2);
  EXPECT_EQ(t.Caption(), "Animation Path - [Untitled]");
}

}  // namespace
}  // namespace glkov
