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

TEST_F(CameraControlFormTest, ClicksChangeSwitchesAndTellAndRefreshShows) {
  RenderSwitches switches;
  app::TCameraControlForm form(switches);
  QSignalSpy quality(&form, &app::TCameraControlForm::QualityClick);
  QSignalSpy operation(&form, &app::TCameraControlForm::OperationClick);
  QSignalSpy clip(&form, &app::TCameraControlForm::SeeVWClipClick);
  QSignalSpy use(&form, &app::TCameraControlForm::UseVWClick);

  QTest::mouseClick(Find<QRadioButton>(form, "Quality0"),
                    Qt::LeftButton);  // already "Low": nothing
  EXPECT_EQ(quality.count(), 0);
  QTest::mouseClick(Find<QRadioButton>(form, "Quality1"), Qt::LeftButton);
  EXPECT_EQ(switches.Quality, 1);
  ASSERT_EQ(quality.count(), 1);
  EXPECT_EQ(quality[0][0].toInt(), 1);

  QTest::mouseClick(Find<QRadioButton>(form, "Operation1"), Qt::LeftButton);
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

  // Set from the view or from the switches, the form shows it without telling it back.
  form.SetOperation(NextOperation(form.Operation()));
  EXPECT_TRUE(Find<QRadioButton>(form, "Operation0")->isChecked());
  EXPECT_EQ(operation.count(), 1);  // only the user's choice is told
  switches.Quality = 0;
  switches.Negative = false;
  form.Refresh();
  EXPECT_TRUE(Find<QRadioButton>(form, "Quality0")->isChecked());
  EXPECT_FALSE(form.findChild<QCheckBox*>("NegativeCheckBox")->isChecked());
}

}  // namespace
}  // namespace glkov::testing
