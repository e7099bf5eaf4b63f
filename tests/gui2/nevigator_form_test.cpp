#include "app/nevigator_form.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include "core/model/project.h"
#include "model/project_test_helpers.h"
#include "support/test_app.h"
#include "support/test_support.h"

namespace glkov {
namespace {

class NevigatorFormTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }

  // Shows the form with a 320 x 240 picture area (scale 0.5 for 640 x 480).
  void Show(TNevigatorForm& form) {
    form.show();
    auto* panel = form.findChild<QFrame*>("NevPanel");
    const QSize extra = form.size() - panel->size();
    form.resize(extra + QSize(320 + 2 + 8, 240 + 2 + 8));
    QCoreApplication::processEvents();
    ASSERT_DOUBLE_EQ(form.DividerScale(), 0.5);
  }
  // Display point of a picture point.
  static QPoint D(int x, int y) { return {x / 2, y / 2}; }

  void Drag(TNevigatorForm& form, QPoint from, QPoint to) {
    QWidget* img = form.NevImage();
    QTest::mouseMove(img, from);
    QTest::mousePress(img, Qt::LeftButton, {}, from);
    QTest::mouseMove(img, (from + to) / 2);
    QTest::mouseMove(img, to);
    QTest::mouseRelease(img, Qt::LeftButton, {}, to);
  }

  testing::ScriptedCallbacks answers;
  QUndoStack undo;
};

TEST_F(NevigatorFormTest, DrawsRectanglesInTheirColours) {
  testing::ImportedRoom room(640, 480);
  TProject& p = room.project;
  TNevigatorForm form(p, &undo, answers);
  Show(form);
  form.AddSBClick();
  const QImage& img = form.DividerImage();
  // View window (10, 10, 629, 469): white outline, white corner square.
  EXPECT_EQ(img.pixelColor(D(300, 10)), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(D(629, 469) - QPoint(3, 3)), QColor(255, 255, 255));
  // SubScene 2 (213, 160, 480, 360) not current: maroon; its corner square too.
  EXPECT_EQ(img.pixelColor(D(300, 160)), QColor(128, 0, 0));
  EXPECT_EQ(img.pixelColor(QPoint(240 - 3, 180 - 3)), QColor(128, 0, 0));
  // Picking it in the list makes it red.
  form.findChild<QComboBox*>("RegionCB")->setCurrentIndex(1);
  EXPECT_EQ(p.CurrentRegion, 2);
  EXPECT_EQ(form.DividerImage().pixelColor(D(300, 160)), QColor(255, 0, 0));
}

TEST_F(NevigatorFormTest, MoveAndResizeWithUndo) {
  testing::ImportedRoom room(640, 480);
  TProject& p = room.project;
  TNevigatorForm form(p, &undo, answers);
  Show(form);
  int changed = -1;
  QObject::connect(&form, &TNevigatorForm::RegionChanged, [&](int k) { changed = k; });
  // Move the view window by (40, 20) picture pixels.
  Drag(form, D(300, 200), D(340, 220));
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(RegionRect(p.MeshRegions[0]), (DividerRect{20, 20, 639, 479}));  // clamped right/bottom
  // Resize it smaller from its corner square: the mesh is reset for the new size.
  Drag(form, D(632, 472), D(332, 272));
  EXPECT_EQ(RegionRect(p.MeshRegions[0]), (DividerRect{20, 20, 339, 279}));
  EXPECT_EQ(p.MeshRegions[0].InnerLeft, 319 / 3);
  EXPECT_EQ(p.ViewWidth, 320);
  EXPECT_EQ(p.ViewHeight, 260);
  ASSERT_EQ(undo.count(), 2);
  undo.undo();
  EXPECT_EQ(RegionRect(p.MeshRegions[0]), (DividerRect{20, 20, 639, 479}));
  undo.undo();
  EXPECT_EQ(RegionRect(p.MeshRegions[0]), (DividerRect{10, 10, 629, 469}));
  EXPECT_EQ(p.ViewWidth, 620);
  undo.redo();
  EXPECT_EQ(RegionRect(p.MeshRegions[0]), (DividerRect{20, 20, 639, 479}));
}

TEST_F(NevigatorFormTest, AddAndDeleteTheLast) {
  testing::ImportedRoom room(640, 480);
  TProject& p = room.project;
  TNevigatorForm form(p, &undo, answers);
  Show(form);
  int listChanges = 0;
  QObject::connect(&form, &TNevigatorForm::RegionsChanged, [&] { ++listChanges; });
  form.DeleteMeshButtonClick();  // only two entries: refused without a question
  EXPECT_TRUE(answers.Questions.empty());
  EXPECT_EQ(p.MeshRegions.size(), 2u);

  // (The new sub-scenes' names and rectangles are the core's.)
  QTest::mouseClick(form.findChild<QToolButton*>("AddSB"), Qt::LeftButton);
  form.AddSBClick();
  ASSERT_EQ(p.MeshRegions.size(), 4u);
  auto* cb = form.findChild<QComboBox*>("RegionCB");
  EXPECT_EQ(cb->count(), 3);

  // A click picks the smallest rectangle under it, and is no edit.
  QTest::mouseClick(form.NevImage(), Qt::LeftButton, {}, D(100, 100));
  EXPECT_EQ(p.CurrentRegion, 0);
  QTest::mouseClick(form.NevImage(), Qt::LeftButton, {}, D(300, 200));
  ASSERT_EQ(p.CurrentRegion, 2);
  answers.Answers = {false};
  form.DeleteMeshButtonClick();
  EXPECT_EQ(p.MeshRegions.size(), 4u);
  form.DeleteMeshButtonClick();
  ASSERT_EQ(answers.Questions.size(), 2u);
  EXPECT_EQ(answers.Questions[1], "Really Delete 'SubScene 3'?");
  EXPECT_EQ(p.MeshRegions.size(), 3u);
  EXPECT_EQ(p.CurrentRegion, -2);
  EXPECT_EQ(cb->count(), 2);
  EXPECT_EQ(listChanges, 3);

  undo.undo();  // the delete
  ASSERT_EQ(p.MeshRegions.size(), 4u);
  EXPECT_EQ(p.MeshRegions[3].Name, "SubScene 3");
  EXPECT_EQ(p.CurrentRegion, 2);
  EXPECT_EQ(cb->currentIndex(), 1);  // SubScene 2
  undo.undo();
  undo.undo();
  EXPECT_EQ(cb->count(), 1);
  undo.redo();
  EXPECT_EQ(p.MeshRegions.size(), 3u);
}

TEST_F(NevigatorFormTest, EmptyProjectShowsNothingAndDoesNotCrash) {
  TProject p;
  TNevigatorForm form(p, &undo, answers);
  form.show();
  QCoreApplication::processEvents();
  QTest::mouseClick(form.NevImage(), Qt::LeftButton, {}, QPoint(5, 5));
  form.AddSBClick();
  form.DeleteMeshButtonClick();
  EXPECT_TRUE(p.MeshRegions.empty());
  EXPECT_EQ(form.DividerScale(), 0);
}

}  // namespace
}  // namespace glkov
