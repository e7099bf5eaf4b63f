#include "core/scene/camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/error.h"
#include "scene/scene_fixtures.h"

namespace glkov {
namespace {

struct MouseCase {
  MouseOperation operation;
  MouseButton button;
  int dX;
  int dY;
  Vec3 pos;  // expected change of CamPos
  Vec3 dir;  // of CamDir
  Vec3 up;   // of CamUp
};

// SceneScale 100; deltas in display pixels, y growing downward.
const MouseCase kMouseCases[] = {
    // A left drag of 10 pixels to the right moves the camera 0.1 to the left.
    {MouseOperation::MoveCamera, MouseButton::Left, 10, 0, {-0.1, 0, 0}, {}, {}},
    {MouseOperation::MoveCamera, MouseButton::Left, 0, 10, {0, 0.1, 0}, {}, {}},
    {MouseOperation::MoveCamera, MouseButton::Left, -30, -20, {0.3, -0.2, 0}, {}, {}},
    // Right or middle: dragging down moves back, up moves forward; x is ignored.
    {MouseOperation::MoveCamera, MouseButton::Right, 50, 10, {0, 0, 0.1}, {}, {}},
    {MouseOperation::MoveCamera, MouseButton::Middle, 50, -10, {0, 0, -0.1}, {}, {}},
    // Rotate: factor 2.
    {MouseOperation::RotateCamera, MouseButton::Left, 10, 0, {}, {-0.2, 0, 0}, {}},
    {MouseOperation::RotateCamera, MouseButton::Left, 0, -5, {}, {0, -0.1, 0}, {}},
    {MouseOperation::RotateCamera, MouseButton::Right, 10, 40, {}, {}, {-0.2, 0, 0}},
    {MouseOperation::RotateCamera, MouseButton::Middle, -10, 0, {}, {}, {0.2, 0, 0}},
};

TEST(MouseStep, TheTableOfOperationsAndButtons) {
  const TCamera start{{1, 2, 3}, {0.5, -0.25, -1}, {0.125, 1, 0}};
  for (const MouseCase& c : kMouseCases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.operation) << " "
                                      << static_cast<int>(c.button) << " " << c.dX << "," << c.dY);
    const TCamera got = MouseStep(start, c.operation, c.button, c.dX, c.dY, 100);
    const auto expect = [](const Vec3& v, const Vec3& from, const Vec3& delta) {
      EXPECT_NEAR(v.x, from.x + delta.x, 1e-15);
      EXPECT_NEAR(v.y, from.y + delta.y, 1e-15);
      EXPECT_NEAR(v.z, from.z + delta.z, 1e-15);
    };
    expect(got.CamPos, start.CamPos, c.pos);
    expect(got.CamDir, start.CamDir, c.dir);
    expect(got.CamUp, start.CamUp, c.up);
    // Without a scene scale nothing moves.
    EXPECT_EQ(MouseStep(start, c.operation, c.button, c.dX, c.dY, 0), start);
  }
}

TEST(MouseNavigator, DragStepsFromTheLastPosition) {
  TProject p;
  p.SceneScale = 100;
  SetDefaultCamera(p);
  MouseNavigator nav;
  EXPECT_FALSE(nav.Move(p, MouseOperation::MoveCamera, 50, 50));  // no button down
  EXPECT_EQ(p.Camera.CamPos, (Vec3{0, 0, 1}));
  nav.Down(MouseButton::Left, 100, 100);
  EXPECT_TRUE(nav.Move(p, MouseOperation::MoveCamera, 110, 100));
  EXPECT_TRUE(nav.Move(p, MouseOperation::MoveCamera, 130, 100));
  EXPECT_NEAR(p.Camera.CamPos.x, -0.3, 1e-15);
  EXPECT_EQ(nav.Up(MouseOperation::MoveCamera), MouseOperation::MoveCamera);
  EXPECT_FALSE(nav.Move(p, MouseOperation::MoveCamera, 200, 200));
  EXPECT_NEAR(p.Camera.CamPos.x, -0.3, 1e-15);
}

TEST(MouseNavigator, MiddleDragActsLikeRightAndSwitchesTheOperationOnRelease) {
  TProject p;
  p.SceneScale = 100;
  SetDefaultCamera(p);
  MouseNavigator nav;
  nav.Down(MouseButton::Middle, 0, 0);
  nav.Move(p, MouseOperation::MoveCamera, 0, 20);
  EXPECT_NEAR(p.Camera.CamPos.z, 1.2, 1e-15);
  EXPECT_EQ(nav.Up(MouseOperation::MoveCamera), MouseOperation::RotateCamera);
  nav.Down(MouseButton::Middle, 0, 0);
  EXPECT_EQ(nav.Up(MouseOperation::RotateCamera), MouseOperation::MoveCamera);
  nav.Down(MouseButton::Right, 0, 0);
  EXPECT_EQ(nav.Up(MouseOperation::RotateCamera), MouseOperation::RotateCamera);
  EXPECT_EQ(nav.Up(MouseOperation::MoveCamera), MouseOperation::MoveCamera);  // no drag
}

TProject TwoSubScenes() {
  TProject p = testing::MakeRoomProject();
  p.IOriginal.SetSize(800, 600);
  TMeshRegion second;
  second.Name = "SubScene 2";
  second.Left = 100;
  second.Top = 200;
  second.Right = 300;
  second.Bottom = 399;
  second.VanishX = 50;
  second.VanishY = 70;
  p.MeshRegions.push_back(second);
  p.SceneScale = 100;
  p.EyeHeight = 0.5;
  p.EyeDistance = 2;
  return p;
}

TEST(SetSubSceneCamera, TheSubScenesEyeOverTheWholePicture) {
  TProject p = TwoSubScenes();
  p.Camera.CamUp = {1, 0, 0};
  SetSubSceneCamera(p, 2);
  // ((100 + 50) / 100, (600 - 399) / 100 + 0.5, 2)
  EXPECT_NEAR(p.Camera.CamPos.x, 1.5, 1e-15);
  EXPECT_NEAR(p.Camera.CamPos.y, 2.51, 1e-15);
  EXPECT_EQ(p.Camera.CamPos.z, 2);
  EXPECT_EQ(p.Camera.CamDir, (Vec3{0, 0, -1}));
  EXPECT_EQ(p.Camera.CamUp, (Vec3{0, 1, 0}));
  EXPECT_THROW(SetSubSceneCamera(p, 3), Error);
  EXPECT_THROW(SetSubSceneCamera(p, -2), Error);
}

TEST(SetSubSceneCamera, BeforeTheFirstMakeTheScaleIsComputed) {
  TProject p = TwoSubScenes();
  p.SceneScale = 0;
  SetSubSceneCamera(p, 1);
  EXPECT_GT(p.SceneScale, 0);
  EXPECT_TRUE(std::isfinite(p.Camera.CamPos.x));
  EXPECT_TRUE(std::isfinite(p.Camera.CamPos.y));
  EXPECT_DOUBLE_EQ(p.Camera.CamPos.z, 260 / p.SceneScale);
}

TEST(RevertPosition, DefaultCameraOrTheSubScenesEyeInATransition) {
  TProject p = TwoSubScenes();
  p.CurrentRegion = 2;
  p.Camera.CamPos = {9, 9, 9};
  RevertPosition(p);
  EXPECT_EQ(p.Camera.CamPos, (Vec3{0, 0.5, 2}));
  p.TransitionMode = true;
  RevertPosition(p);
  EXPECT_NEAR(p.Camera.CamPos.x, 1.5, 1e-15);
}

TEST(CameraValueTexts, ShortestText) {
  const auto rows = CameraValueTexts({{0, 0.461538461538462, 1.2121212121212122}, {0, 0, -1}, {}});
  EXPECT_EQ(rows[0][0], "0");
  EXPECT_EQ(rows[0][1], "0.461538461538462");
  EXPECT_EQ(rows[0][2], "1.21212121212121");
  EXPECT_EQ(rows[1][2], "-1");
}

}  // namespace
}  // namespace glkov
