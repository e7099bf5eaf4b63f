#include "app/gl_panel.h"

#include <QSignalSpy>
#include <QTest>

#include "core/scene/offscreen_target.h"
#include "core/scene/scene_builder.h"
#include "export_room.h"
#include "gui3d_fixture.h"
#include "render/box_scene.h"

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

// The drags' amounts are the mouse navigator's (its table); the view sends its mouse to it, shows
// the operation by its cursor, and a double click switches the operation.
TEST_F(GLPanelTest, DragsMoveAndTurnTheCameraAndDoubleClickSwitches) {
  room->project.SceneScale = 100;  // 10 pixels: 0.1 scene units
  const TCamera start = room->project.Camera;
  QSignalSpy changed(panel.get(), &app::GLPanel::CameraChanged);
  QSignalSpy operation(panel.get(), &app::GLPanel::OperationChanged);
  Drag(Qt::LeftButton, {50, 50}, {60, 50});
  EXPECT_NEAR(room->project.Camera.CamPos.x, start.CamPos.x - 0.1, 1e-12);
  EXPECT_GE(changed.count(), 1);
  EXPECT_EQ(panel->cursor().shape(), Qt::SizeAllCursor);

  QTest::mouseDClick(panel.get(), Qt::LeftButton, {}, {40, 40});
  EXPECT_EQ(panel->Operation(), MouseOperation::RotateCamera);
  EXPECT_EQ(operation.count(), 1);
  Drag(Qt::LeftButton, {50, 50}, {60, 50});
  EXPECT_NEAR(room->project.Camera.CamDir.x, start.CamDir.x - 0.2, 1e-12);
  EXPECT_EQ(panel->cursor().shape(), Qt::OpenHandCursor);
}

// The project's scene drawn off screen at w x h with the given samples per pixel.
TFastBMP OffscreenFrame(const TProject& project, const RenderSwitches& switches, int w, int h,
                        int samples) {
  OffscreenTarget target(w, h, samples);
  target.MakeCurrent();
  SceneRenderer renderer;
  TProject copy = project;
  renderer.UploadScene(copy, 0);
  renderer.GLDraw(copy, copy.Camera, switches, w, h);
  TFastBMP frame;
  target.ReadFrame(frame);
  renderer.ReleaseTextures();
  return frame;
}

TEST_F(GLPanelTest, FirstFrameMatchesTheOffscreenRender) {
  QApplication::processEvents();
  const QImage shown = panel->grabFramebuffer().convertToFormat(QImage::Format_RGB888);
  ASSERT_TRUE(panel->LastError().empty()) << panel->LastError();
  const int w = shown.width(), h = shown.height();
  // The view draws with the movie's default anti-aliasing; so does the off-screen frame.
  const TFastBMP expected = OffscreenFrame(room->project, switches, w, h, panel->Samples());

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
}

// Mean absolute difference per colour sample between the view's frame and the mean of each
// k x k block of an off-screen frame k times its size.
double ErrorAgainstSupersampled(const QImage& frame, const TFastBMP& big, int k) {
  double sum = 0;
  for (int y = 0; y < frame.height(); ++y) {
    for (int x = 0; x < frame.width(); ++x) {
      const QRgb p = frame.pixel(x, y);
      const int rgb[3] = {qBlue(p), qGreen(p), qRed(p)};  // in TFastBMP's order
      for (int c = 0; c < 3; ++c) {
        double mean = 0;
        for (int j = 0; j < k; ++j) {
          for (int i = 0; i < k; ++i) mean += big.Pixel(k * x + i, k * y + j)[c];
        }
        sum += std::abs(mean / (k * k) - rgb[c]);
      }
    }
  }
  return sum / (3.0 * frame.width() * frame.height());
}

TEST_F(GLPanelTest, AntiAliasingSettingSmoothsTheEdges) {
  // The plain box with a board standing in it, from a camera turned a little so that no edge
  // runs along a pixel row or column (the room's textures would hide the edges in texel noise).
  room->project = MakeBoxProject(64);
  AddBoxObjects(room->project, {{-0.5, 0.3, 0, 0.9, -1, {0, 0, 200}, 255}});
  room->project.Camera = BoxCamera(room->project);
  room->project.Camera.CamDir = {0.1, -0.05, -1};
  room->project.Camera.CamUp = {0.08, 1, 0};
  switches.UseVW = false;
  panel->SceneMade();
  constexpr int kScale = 6;
  panel->SetSamples(1);
  const QImage plain = panel->grabFramebuffer();
  EXPECT_EQ(panel->Samples(), 1);
  panel->SetSamples(4);
  const QImage smooth = panel->grabFramebuffer();
  EXPECT_EQ(panel->Samples(), 4);
  ASSERT_TRUE(panel->LastError().empty()) << panel->LastError();
  ASSERT_EQ(plain.size(), smooth.size());

  const TFastBMP reference =
      OffscreenFrame(room->project, switches, plain.width() * kScale, plain.height() * kScale, 1);
  const double plainError = ErrorAgainstSupersampled(plain, reference, kScale);
  const double smoothError = ErrorAgainstSupersampled(smooth, reference, kScale);
  // The plane edges and the outlines of the boards come closer to the supersampled frame; the
  // texel borders inside the planes stay as the nearest filter draws them.
  EXPECT_LT(smoothError, 0.85 * plainError) << "1 sample " << plainError << ", 4: " << smoothError;
}

}  // namespace
}  // namespace glkov::testing
