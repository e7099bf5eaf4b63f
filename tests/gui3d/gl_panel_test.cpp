#include "app/gl_panel.h"

#include <QSignalSpy>
#include <QTest>

#include "core/scene/offscreen_target.h"
#include "core/scene/scene_builder.h"
#include "export_room.h"
#include "gui3d_fixture.h"

namespace glkov::testing {
namespace {

// A GL widget cannot be shown on the offscreen platform; these run under xvfb-run with
// QT_QPA_PLATFORM=xcb.
class GLPanelTest : public Gui3dTest {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
      GTEST_SKIP() << "needs an X display (QT_QPA_PLATFORM=xcb under xvfb-run)";
    }
    room = std::make_unique<ExportRoom>(dir_);
    MakeScene(room->project);
    panel = std::make_unique<app::GLPanel>(room->project, switches);
    panel->resize(160, 120);
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    panel->SceneMade();
  }

  void Drag(Qt::MouseButton button, QPoint from, QPoint to) {
    QTest::mousePress(panel.get(), button, {}, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), panel->mapToGlobal(QPointF(to)), button,
                     button, {});
    QApplication::sendEvent(panel.get(), &move);
    QTest::mouseRelease(panel.get(), button, {}, to);
  }

  std::unique_ptr<ExportRoom> room;
  RenderSwitches switches;
  std::unique_ptr<app::GLPanel> panel;
};

TEST_F(GLPanelTest, DragsMoveAndTurnTheCameraByTheTableAmounts) {
  room->project.SceneScale = 100;  // 10 pixels: 0.1 scene units
  const TCamera start = room->project.Camera;
  QSignalSpy changed(panel.get(), &app::GLPanel::CameraChanged);
  Drag(Qt::LeftButton, {50, 50}, {60, 50});
  EXPECT_NEAR(room->project.Camera.CamPos.x, start.CamPos.x - 0.1, 1e-12);
  EXPECT_GE(changed.count(), 1);
  EXPECT_EQ(panel->cursor().shape(), Qt::SizeAllCursor);

  panel->SetOperation(MouseOperation::RotateCamera);
  Drag(Qt::LeftButton, {50, 50}, {60, 50});
  EXPECT_NEAR(room->project.Camera.CamDir.x, start.CamDir.x - 0.2, 1e-12);
  EXPECT_EQ(panel->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(GLPanelTest, MiddleDragSwitchesOperationAndDoubleClickToo) {
  room->project.SceneScale = 100;
  const double z = room->project.Camera.CamPos.z;
  QSignalSpy operation(panel.get(), &app::GLPanel::OperationChanged);
  Drag(Qt::MiddleButton, {50, 50}, {50, 60});
  EXPECT_NEAR(room->project.Camera.CamPos.z, z + 0.1, 1e-12);  // acted like a right drag
  EXPECT_EQ(panel->Operation(), MouseOperation::RotateCamera);
  QTest::mouseDClick(panel.get(), Qt::LeftButton, {}, {40, 40});
  EXPECT_EQ(panel->Operation(), MouseOperation::MoveCamera);
  EXPECT_EQ(operation.count(), 2);
}

TEST_F(GLPanelTest, FirstFrameMatchesTheOffscreenRender) {
  QApplication::processEvents();
  const QImage shown = panel->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
  ASSERT_TRUE(panel->LastError().empty()) << panel->LastError();
  const int w = shown.width(), h = shown.height();

  OffscreenTarget target(w, h);
  target.MakeCurrent();
  SceneRenderer renderer;
  TProject copy = room->project;
  renderer.UploadScene(copy, 0);
  renderer.GLDraw(copy, copy.Camera, switches, w, h);
  TFastBMP expected;
  target.ReadFrame(expected);
  renderer.ReleaseTextures();

  int differing = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t* e = expected.Pixel(x, y);
      const QRgb s = shown.pixel(x, y);
      // Both are Mesa's rasteriser; a channel may differ by rounding.
      if (std::abs(qRed(s) - e[2]) > 8 || std::abs(qGreen(s) - e[1]) > 8 ||
          std::abs(qBlue(s) - e[0]) > 8) {
        ++differing;
      }
    }
  EXPECT_LE(differing, w * h / 100) << "of " << w * h;
  shown.save("screenshots/gl_panel.png");
}

}  // namespace
}  // namespace glkov::testing
