#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "app/camera_control_form.h"
#include "app/camera_values_form.h"
#include "app/rendering_form.h"
#include "gui3d_fixture.h"

namespace glkov::testing {
namespace {

using CameraControlFormTest = Gui3dTest;

QRadioButton* Radio(QWidget& form, const char* name) {
  auto* r = form.findChild<QRadioButton*>(QString::fromLatin1(name));
  EXPECT_NE(r, nullptr) << name;
  return r;
}

TEST_F(CameraControlFormTest, ClicksChangeSwitchesAndTell) {
  RenderSwitches switches;
  app::TCameraControlForm form(switches);
  QSignalSpy quality(&form, &app::TCameraControlForm::QualityClick);
  QSignalSpy operation(&form, &app::TCameraControlForm::OperationClick);
  QSignalSpy clip(&form, &app::TCameraControlForm::SeeVWClipClick);
  QSignalSpy use(&form, &app::TCameraControlForm::UseVWClick);

  QTest::mouseClick(Radio(form, "Quality0"), Qt::LeftButton);  // already "Low": nothing
  EXPECT_EQ(quality.count(), 0);
  QTest::mouseClick(Radio(form, "Quality1"), Qt::LeftButton);
  EXPECT_EQ(switches.Quality, 1);
  ASSERT_EQ(quality.count(), 1);
  EXPECT_EQ(quality[0][0].toInt(), 1);

  QTest::mouseClick(Radio(form, "Operation1"), Qt::LeftButton);
  EXPECT_EQ(form.Operation(), MouseOperation::RotateCamera);
  EXPECT_EQ(operation.count(), 1);

  form.findChild<QCheckBox*>("NegativeCheckBox")->click();
  EXPECT_TRUE(switches.Negative);
  form.findChild<QCheckBox*>("SeeVWClip")->click();
  EXPECT_TRUE(switches.SeeVWClip);
  EXPECT_EQ(clip.count(), 2);
  form.findChild<QCheckBox*>("UseVW")->click();
  EXPECT_FALSE(switches.UseVW);
  EXPECT_EQ(use.count(), 1);
}

TEST_F(CameraControlFormTest, OperationSetFromViewAndRefreshFromSwitches) {
  RenderSwitches switches;
  app::TCameraControlForm form(switches);
  QSignalSpy operation(&form, &app::TCameraControlForm::OperationClick);
  form.SetOperation(NextOperation(form.Operation()));
  EXPECT_TRUE(Radio(form, "Operation1")->isChecked());
  EXPECT_EQ(operation.count(), 0);  // only the user's choice is told
  switches.Quality = 1;
  switches.Negative = true;
  form.Refresh();
  EXPECT_TRUE(Radio(form, "Quality1")->isChecked());
  EXPECT_TRUE(form.findChild<QCheckBox*>("NegativeCheckBox")->isChecked());
  Screenshot(form, "camera_control_form");
}

TEST_F(CameraControlFormTest, CameraValuesShowPositionAndDirection) {
  app::TForm1 form;
  EXPECT_EQ(form.windowTitle(), "Form1");
  TCamera camera;
  camera.CamPos = {0, 0.75, 1.2121212121212122};
  camera.CamDir = {-0.2, 0.1, -1};
  form.ShowCameraValues(camera);
  EXPECT_EQ(form.Cell(0, 0), "0");
  EXPECT_EQ(form.Cell(0, 1), "0.75");
  EXPECT_EQ(form.Cell(0, 2), "1.21212121212121");
  EXPECT_EQ(form.Cell(1, 0), "-0.2");
  EXPECT_EQ(form.Cell(1, 1), "0.1");
  EXPECT_EQ(form.Cell(1, 2), "-1");
  Screenshot(form, "camera_values_form");
}

TEST_F(CameraControlFormTest, RenderingFormProgressAndAbort) {
  app::TRenderingForm form;
  EXPECT_EQ(form.windowTitle(), "Rendering in progress...");
  form.SetFileName("/tmp/movie.avi");
  form.SetProgress("Rendering Scene 1/2", 42);
  EXPECT_EQ(form.Percent(), 42);
  EXPECT_EQ(form.findChild<QLabel*>("PercentLabel")->text(), "42%");
  form.SetProgress("", 130);
  EXPECT_EQ(form.Percent(), 100);
  form.SetProgress("Rendering Scene 1/2", 42);
  EXPECT_FALSE(form.AbortRequested());
  QSignalSpy abort(&form, &app::TRenderingForm::AbortClicked);
  auto* button = form.findChild<QPushButton*>("AbortButton");
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "Abort");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_TRUE(form.AbortRequested());
  form.ClearAbortRequest();
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_TRUE(form.AbortRequested());
  EXPECT_EQ(abort.count(), 2);
  bool found = false;
  for (auto* l : form.findChildren<QLabel*>()) found |= l->text() == "Outputing file as:";
  EXPECT_TRUE(found);
  Screenshot(form, "rendering_form");
}

}  // namespace
}  // namespace glkov::testing
