// The "Camera Presets" dialog driven through the main window with the sample room: preview in
// the 3D view, OK as one undo step, the timeline's button. The OpenGL view runs only under a
// display (xvfb-run -a); on the offscreen platform everything else is still checked.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <filesystem>

#include "app/camera_preset_form.h"
#include "app/gl_panel.h"
#include "app/timeline_form.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

class CameraPresetFormTest : public GuiTest {
 protected:
  static app::TCameraPresetForm* Dialog(QWidget* form) {
    return form->findChild<app::TCameraPresetForm*>(QStringLiteral("CameraPresetForm"));
  }
};

TEST_F(CameraPresetFormTest, PreviewFliesThePresetAndOkReplacesTheKeysInOneUndoStep) {
  auto form = OpenRoom();
  ASSERT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
  TTimeline& t = form->PathTimeline();
  const std::vector<TKeyFrame> recorded = t.KeyFrames();
  const int fpk = t.FPK;
  const TCamera eye = form->Project().Camera;
  QUndoStack* undo = form->UndoStack();
  const int undoBase = undo->count();

  form->CameraPresetsAction->trigger();
  app::TCameraPresetForm* dialog = Dialog(form.get());
  ASSERT_NE(dialog, nullptr);
  auto* preset = Find<QComboBox>(dialog, "PresetCombo");
  preset->setCurrentIndex(preset->findText("Orbit"));
  Find<QDoubleSpinBox>(dialog, "SecondsEdit")->setValue(2);
  Find<QDoubleSpinBox>(dialog, "StrengthEdit")->setValue(0.8);
  Find<QCheckBox>(dialog, "ReturnToStartCheck")->setChecked(true);
  ASSERT_TRUE(dialog->Flight().has_value())
      << Find<QLabel>(dialog, "InfoLabel")->text().toStdString();
  const PresetFlight flight = *dialog->Flight();
  EXPECT_TRUE(flight.Keys.front() == flight.Keys.back());  // "Return to Start" reached the flight

  // "Preview" flies the flight in the 3D view, as the timeline's "Play" does, without touching
  // the keys; closing the dialog stops it and puts the camera back.
  app::TTimelineForm* tl = form->TimelineWindow();
  Find<QPushButton>(dialog, "PreviewButton")->click();
  EXPECT_TRUE(tl->PreviewRunning());
  QTest::qWait(600);
  EXPECT_NE(form->Project().Camera, eye);
  EXPECT_EQ(t.KeyFrames(), recorded);
  EXPECT_EQ(undo->count(), undoBase);

  // OK replaces the keys (one undo step) and the camera shows the first key again.
  Find<QPushButton>(dialog, "OKButton")->click();
  QApplication::processEvents();
  EXPECT_FALSE(tl->PreviewRunning());
  EXPECT_EQ(t.KeyFrames(), flight.Keys);
  EXPECT_EQ(t.FPK, flight.FPK);
  EXPECT_EQ(form->Project().Camera, flight.Keys.front().Camera());
  ASSERT_EQ(undo->count(), undoBase + 1);
  form->UndoAction->trigger();
  EXPECT_EQ(t.KeyFrames(), recorded);
  EXPECT_EQ(t.FPK, fpk);
  form->RedoAction->trigger();
  EXPECT_EQ(t.KeyFrames(), flight.Keys);
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
}

TEST_F(CameraPresetFormTest, TimelineButtonOpensItAndCancelChangesNothing) {
  auto form = OpenRoom();
  TTimeline& t = form->PathTimeline();
  const std::vector<TKeyFrame> recorded = t.KeyFrames();

  // Before a make there is no scene to fly in: the dialog says so and offers no OK.
  Find<QToolButton>(form->TimelineWindow(), "PresetsButton")->click();
  app::TCameraPresetForm* dialog = Dialog(form.get());
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(dialog->Flight().has_value());
  EXPECT_FALSE(Find<QPushButton>(dialog, "OKButton")->isEnabled());
  Find<QPushButton>(dialog, "CancelButton")->click();
  QApplication::processEvents();

  ASSERT_TRUE(form->MakeScene());
  form->CameraPresetsAction->trigger();
  dialog = Dialog(form.get());
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->Flight().has_value());
  Find<QPushButton>(dialog, "CancelButton")->click();
  EXPECT_EQ(t.KeyFrames(), recorded);
}

}  // namespace
}  // namespace glkov::testing
