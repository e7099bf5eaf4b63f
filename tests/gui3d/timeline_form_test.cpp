#include "app/timeline_form.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "gui3d_fixture.h"

namespace glkov::testing {
namespace {

class TimelineFormTest : public Gui3dTest {
 protected:
  TimelineFormTest() : timeline(project), form(timeline) { form.SetDialogs(Dialogs()); }

  void Click(const char* name) { QTest::mouseClick(Find<QToolButton>(form, name), Qt::LeftButton); }
  void Type(const char* name, const QString& text) {
    QLineEdit* e = Find<QLineEdit>(form, name);
    e->setText(text);
    emit e->editingFinished();
  }
  void SetCamera(double x) { project.Camera.CamPos = {x, 0.5, 1.0}; }

  TProject project;
  TTimeline timeline;
  app::TTimelineForm form;
};

TEST_F(TimelineFormTest, RatesAndMasterFactorReachTimeline) {
  Find<QSpinBox>(form, "FPSEdit")->setValue(25);
  Find<QSpinBox>(form, "FPKEdit")->setValue(-3);
  Find<QSpinBox>(form, "RgnTransEdit")->setValue(7);
  Find<QLineEdit>(form, "MFRFEdit")->setText("0.5");
  EXPECT_EQ(timeline.FPS, 25);
  EXPECT_EQ(timeline.FPK, -3);
  EXPECT_EQ(timeline.Trans, 7);
  EXPECT_DOUBLE_EQ(timeline.MasterFrameRateFactor(), 0.5);
}

TEST_F(TimelineFormTest, SaveAndOpenThroughDialogs) {
  Find<QSpinBox>(form, "FPSEdit")->setValue(12);
  SetCamera(0.25);
  Click("RecordCurrentFrame");
  const QString name = QString::fromStdString((dir_ / "flight").string());
  script.files = {name};
  Click("ToolButton3");
  ASSERT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(script.fileTitles, QStringList{"Save Camera Path"});
  EXPECT_TRUE(std::filesystem::exists(dir_ / "flight.cam"));  // default extension added
  EXPECT_EQ(form.windowTitle(), "Animation Path - [" + name + ".cam]");

  Click("NewPathButton");
  Find<QSpinBox>(form, "FPSEdit")->setValue(30);
  QSignalSpy loaded(&form, &app::TTimelineForm::PathFileChanged);
  script.files = {name + ".cam"};
  Click("ToolButton2");
  EXPECT_EQ(script.fileTitles.back(), "Load Camera Path");
  EXPECT_EQ(Find<QSpinBox>(form, "FPSEdit")->value(), 12);
  EXPECT_TRUE(timeline.KeyFrames()[0].Recorded);
  EXPECT_EQ(project.Camera.CamPos.x, 0.25);  // key 1 selected and recalled
  EXPECT_EQ(loaded.count(), 1);

  // A file that is no camera path is reported, and the timeline stays as it was.
  WriteFile(dir_ / "bad.cam", "KOV Camera Path File 1.0\r\n");
  Type("NoOfKeyframeEdit", "4");
  script.files = {QString::fromStdString((dir_ / "bad.cam").string())};
  Click("ToolButton2");
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_EQ(script.errors[0], "Not a valid KOV Camera File or wrong version.");
  EXPECT_EQ(timeline.KeyCount(), 4);
}

TEST_F(TimelineFormTest, PlayFliesThePathAtTheMovieRateAndPutsTheCameraBack) {
  Find<QSpinBox>(form, "FPKEdit")->setValue(0);  // a path without frames is refused
  Click("PlayButton");
  EXPECT_FALSE(form.PreviewRunning());
  EXPECT_EQ(script.errors.size(), 1);
  Find<QSpinBox>(form, "FPKEdit")->setValue(10);
  SetCamera(0);
  Click("RecordCurrentFrame");
  SetCamera(1);
  Click("RecordCurrentFrame");
  SetCamera(7);
  QSignalSpy redraw(&form, &app::TTimelineForm::RedrawScene);
  auto* play = Find<QToolButton>(form, "PlayButton");
  QTest::mouseClick(play, Qt::LeftButton);
  EXPECT_TRUE(form.PreviewRunning());
  EXPECT_EQ(form.PreviewInterval(), 50);  // 20 frames per second
  EXPECT_EQ(play->text(), "Stop");
  EXPECT_EQ(project.Camera.CamPos.x, 0);            // frame 0 is key 1
  for (int i = 0; i < 10; ++i) form.PreviewTick();  // driven by hand: no timing in tests
  EXPECT_DOUBLE_EQ(project.Camera.CamPos.x, 1);     // frame 10 is key 2
  form.PreviewTick();
  EXPECT_FALSE(form.PreviewRunning());
  EXPECT_EQ(play->text(), "Play");
  EXPECT_EQ(project.Camera.CamPos.x, 7);
  EXPECT_EQ(redraw.count(), 12);
}

}  // namespace
}  // namespace glkov::testing
