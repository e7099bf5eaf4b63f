#include "app/extract_object_form.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>

#include "core/model/project.h"
#include "model/project_test_helpers.h"
#include "support/test_app.h"

namespace glkov {
namespace {

// A 40 x 30 sub-scene whose mask holds a bright 3 x 3 square (rows 2..4, columns 5..7), a
// 20 x 10 block (rows 12..21, columns 10..29) and a grey (100) block below the threshold.
TProject WithMask() {
  testing::ImportedRoom room(40, 30);
  TProject& p = room.project;
  p.IMask = TFastBMP(40, 30);
  auto fill = [&](int x0, int x1, int r0, int r1, uint8_t v) {
    for (int r = r0; r <= r1; ++r)
      for (int x = x0; x <= x1; ++x) std::fill_n(p.IMask.Pixel(x, r), 3, v);
  };
  fill(5, 7, 2, 4, 255);
  fill(10, 29, 12, 21, 255);
  fill(32, 36, 24, 27, 100);
  p.IMask_r = p.IMask;
  return std::move(p);
}

class ExtractObjectFormTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }
  QUndoStack undo;
};

TEST_F(ExtractObjectFormTest, ExtractListsRowsAndOkAccepts) {
  TProject p = WithMask();
  TExtractObjectForm form(p, &undo);
  form.findChild<QCheckBox*>("NoSmallCheckBox")->setChecked(false);
  QTest::mouseClick(form.findChild<QPushButton*>("ButtonLED1"), Qt::LeftButton);
  auto* list = form.findChild<QTreeWidget*>("ListView1");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  // The square: minX 5, (30 - 1) - 4 = 25, maxX 7, (30 - 1) - 2 = 27.
  QStringList row;
  for (int c = 0; c < 5; ++c) row << list->topLevelItem(0)->text(c);
  EXPECT_EQ(row, QStringList({"1", "5", "25", "7", "27"}));
  EXPECT_EQ(list->topLevelItem(1)->text(1), "10");
  EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "2 Object(s) Extracted.");
  EXPECT_TRUE(form.findChild<QPushButton*>("OKButton")->isEnabled());

  list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  bool accepted = false;
  QObject::connect(&form, &TExtractObjectForm::ObjectsAccepted, [&] { accepted = true; });
  QTest::mouseClick(form.findChild<QPushButton*>("OKButton"), Qt::LeftButton);
  EXPECT_TRUE(accepted);
  ASSERT_EQ(p.fgObjCount(), 1);
  EXPECT_EQ(p.fgObjs[0].X1, 10);
  EXPECT_EQ(p.fgObjs[0].Name, "Object 1");
  EXPECT_TRUE(p.ObjectsExtracted);
  EXPECT_EQ(p.MeshRegions[1].Objects.size(), 1u);
  undo.undo();
  EXPECT_FALSE(p.ObjectsExtracted);
  EXPECT_TRUE(p.MeshRegions[1].Objects.empty());
}

TEST_F(ExtractObjectFormTest, OkWithoutOverwriteKeepsOldRectangles) {
  TProject p = WithMask();
  p.fgObjs.resize(1);
  p.fgObjs[0].Name = "Tree";
  p.fgObjs[0].Parent = 3;
  p.fgObjs[0].X1 = 1;
  p.fgObjs[0].X2 = 2;
  for (bool overwrite : {false, true}) {
    TExtractObjectForm form(p, &undo);
    form.findChild<QCheckBox*>("OverwritePosCB")->setChecked(overwrite);
    form.ButtonLED1Click();  // minimum 16: only the 20 x 10 block is kept
    ASSERT_EQ(form.findChild<QTreeWidget*>("ListView1")->topLevelItemCount(), 1);
    form.BitBtn2Click();
    ASSERT_EQ(p.fgObjCount(), 1);
    EXPECT_EQ(p.fgObjs[0].Name, "Tree");
    EXPECT_EQ(p.fgObjs[0].Parent, 3);
    EXPECT_EQ(p.fgObjs[0].X1, overwrite ? 10 : 1) << overwrite;
  }
}

TEST_F(ExtractObjectFormTest, ThresholdOnlyRequantizesAndClickFills) {
  TProject p = WithMask();
  TExtractObjectForm form(p, &undo);
  form.findChild<QCheckBox*>("NoSmallCheckBox")->setChecked(false);
  form.ButtonLED1Click();
  auto* list = form.findChild<QTreeWidget*>("ListView1");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  form.findChild<QSlider*>("ThresholdBar")->setValue(50);  // the grey block becomes white
  EXPECT_EQ(list->topLevelItemCount(), 2);                 // the list is not touched
  EXPECT_EQ(form.Working().Pixel(33, 25)[2], 255);
  EXPECT_EQ(form.Working().Pixel(6, 3)[2], 255);  // no markers: a fresh quantization
  form.BufIMGMouseDown(33, 25);
  EXPECT_EQ(form.Working().Pixel(34, 26)[2], 0);
  EXPECT_EQ(form.Working().Pixel(6, 3)[2], 255);
  form.BufIMGMouseDown(-5, 1000);  // outside: nothing happens
  form.ButtonLED1Click();
  EXPECT_EQ(list->topLevelItemCount(), 3);
}

TEST_F(ExtractObjectFormTest, CancelAndEscapeChangeNothing) {
  TProject p = WithMask();
  TExtractObjectForm form(p, &undo);
  form.show();
  form.ButtonLED1Click();
  QTest::keyClick(&form, Qt::Key_Escape);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(p.fgObjCount(), 0);
  EXPECT_FALSE(p.ObjectsExtracted);
  EXPECT_EQ(undo.count(), 0);
}

TEST_F(ExtractObjectFormTest, ClearAllObjectsUndoes) {
  TProject p = WithMask();
  p.fgObjs.resize(2);
  ClearAllObjects(p, &undo);
  EXPECT_EQ(p.fgObjCount(), 0);
  EXPECT_TRUE(p.Modified);
  undo.undo();
  EXPECT_EQ(p.fgObjCount(), 2);
}

}  // namespace
}  // namespace glkov
