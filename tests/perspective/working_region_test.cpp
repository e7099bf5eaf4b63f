// The working copy is stored into the sub-scene it was loaded from, whatever the divider has picked
// or whichever transition is shown; the transition's flat scene.

#include <gtest/gtest.h>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/transition_scene.h"
#include "model/project_test_helpers.h"

namespace glkov {
namespace {

using testing::TempDir;

// 640 x 480 pictures in memory, "Region 1" and "SubScene 2" (213, 160, 480, 360).
struct TwoScenes : testing::ImportedRoom {
  TwoScenes() : ImportedRoom(640, 480) { AddSubScene(project); }
};

TEST(WorkingRegion, ADividerPickDoesNotReceiveTheWorkingCopy) {
  TwoScenes s;
  TProject& p = s.project;
  p.InnerLeft = 100;  // an edit of Region 1
  StoreWorkingRegion(p);
  p.CurrentRegion = 2;  // picked in the divider, not entered
  p.InnerLeft = 101;
  StoreWorkingRegion(p);
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 101);
  EXPECT_EQ(p.MeshRegions[2].InnerLeft, 89);  // SubScene 2 keeps its default mesh
  p.CurrentRegion = 0;                        // the view window picked
  p.WorkingRegion = -2;                       // and a working copy of no sub-scene
  StoreWorkingRegion(p);
  EXPECT_EQ(p.MeshRegions[0].InnerLeft, 0);  // never into the view window
}

TEST(WorkingRegion, SaveProjectAfterAPickKeepsEachMesh) {
  TwoScenes s;
  TProject& p = s.project;
  TempDir dir;
  p.PictureFilename = "o.bmp";
  p.MaskFilename = "m.bmp";
  p.BackgroundFilename = "b.bmp";
  p.InnerLeft = 150;
  StoreWorkingRegion(p);
  p.CurrentRegion = 2;
  SaveProject(p, (dir.path() / "two.kov").string());
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 150);
  EXPECT_EQ(p.MeshRegions[2].InnerLeft, 89);
}

TEST(WorkingRegion, ATransitionKeepsTheSubScenesPathsAndMeshes) {
  TwoScenes s;
  TProject& p = s.project;
  TempDir dir;
  p.ProjectDir = dir.path().string() + "/";
  p.MeshRegions[1].CameraPath = "one.cam";
  EnterSubScene(p, s.timeline, 2);
  p.InnerLeft = 77;
  StoreWorkingRegion(p);
  EnterTransition(p, s.timeline, 1);
  EXPECT_EQ(p.CurrentRegion, 1);
  EXPECT_TRUE(p.TransitionMode);
  EXPECT_EQ(p.WorkingRegion, 2);
  StoreWorkingRegion(p);
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 213);  // Region 1 untouched
  EXPECT_EQ(p.MeshRegions[1].CameraPath, "one.cam");
  EXPECT_EQ(p.MeshRegions[2].InnerLeft, 77);
  EXPECT_EQ(p.MeshRegions[2].CameraPath, "");  // not the transition's path
  // A path saved while the transition is shown goes to the sub-scene it starts from, never to
  // the one the working copy holds.
  s.timeline.RecordCurrentFrame();
  SaveCameraPathFile(s.timeline, (dir.path() / "trans.cam").string());
  EXPECT_EQ(p.MeshRegions[1].CameraPath, "trans.cam");
  EXPECT_EQ(p.MeshRegions[2].CameraPath, "");
  StoreWorkingRegion(p);
  EXPECT_EQ(p.MeshRegions[2].CameraPath, "");
}

TEST(WorkingRegion, APathSavedAfterAPickBelongsToTheEnteredSubScene) {
  TwoScenes s;
  TProject& p = s.project;
  TempDir dir;
  p.CurrentRegion = 2;
  s.timeline.RecordCurrentFrame();
  SaveCameraPathFile(s.timeline, (dir.path() / "flight.cam").string());
  EXPECT_EQ(p.MeshRegions[1].CameraPath, "flight.cam");
  EXPECT_EQ(p.MeshRegions[2].CameraPath, "");
}

TEST(BuildTransitionScene, WholePictureFlatAndTheFirstSubScenesEye) {
  TwoScenes s;
  TProject& p = s.project;
  AddSubScene(p);
  p.SceneScale = 100;
  p.EyeHeight = 1.5;
  p.EyeDistance = 4;
  BuildTransitionScene(p, 2, false);
  EXPECT_TRUE(p.SceneMade);
  EXPECT_EQ(p.Boards[0].X, (std::array<double, 4>{0, 6.4, 6.4, 0}));  // the picture board's
  // Sub-scene 2 (213, 160, 480, 360), vanishing point x 133.5: ((213 + 133.5) / 100,
  // (480 - 360) / 100 + 1.5, 4).
  EXPECT_DOUBLE_EQ(p.Camera.CamPos.x, 3.465);
  EXPECT_DOUBLE_EQ(p.Camera.CamPos.y, 2.7);
  EXPECT_DOUBLE_EQ(p.Camera.CamPos.z, 4);
  EXPECT_EQ(p.SceneScale, 100);  // the last Make's values stay
}

TEST(BuildTransitionScene, RefusesWhatIsNoTransition) {
  TwoScenes s;
  TProject& p = s.project;
  for (int k : {0, 2, 5}) EXPECT_THROW(BuildTransitionScene(p, k, false), Error) << k;
  EXPECT_FALSE(p.SceneMade);
  p.IOriginal = TFastBMP();
  EXPECT_THROW(BuildTransitionScene(p, 1, false), Error);
  EXPECT_FALSE(p.SceneMade);
}

}  // namespace
}  // namespace glkov
