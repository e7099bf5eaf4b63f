#include "app/inspector_form.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QTableWidget>
#include <QTreeWidget>
#include <QUndoStack>

#include "core/model/project.h"
#include "core/ui_callbacks.h"
#include "support/test_app.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TProject TwoObjects() {
  TProject p;
  p.MeshRegions.resize(2);
  p.MeshRegions[0].Name = "Window";
  p.MeshRegions[1].Name = "Region 1";
  p.CurrentRegion = 1;
  p.fgObjs.resize(2);
  p.fgObjs[0].Name = "Tree";
  p.fgObjs[0].Parent = 1;
  p.fgObjs[0].X1 = 3;
  p.fgObjs[0].Y1 = 4;
  p.fgObjs[1].Name = "Lamp";
  p.fgObjs[1].Parent = 2;
  p.fgObjs[1].X2 = 9;
  return p;
}

class InspectorFormTest : public ::testing::Test {
 protected:
  void SetUp() override { TestApp(); }
  QUndoStack undo;
  testing::ScriptedCallbacks warnings;
};

TEST_F(InspectorFormTest, PlaneSelectionAsksForItsTexture) {
  TProject p = TwoObjects();
  TInspectorForm form(p, &undo, warnings);
  int plane = 0;
  QObject::connect(&form, &TInspectorForm::ShowPlaneTexture, [&](int k) { plane = k; });
  auto* tree = form.findChild<QTreeWidget*>("TreeView1");
  tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(4));
  EXPECT_EQ(plane, 5);
  EXPECT_FALSE(form.findChild<QTableWidget*>("InfoGrid")->isEnabled());
}

TEST_F(InspectorFormTest, GridEditsAreStoredUndoneOrRefused) {
  TProject p = TwoObjects();
  TInspectorForm form(p, &undo, warnings);
  auto* grid = form.findChild<QTableWidget*>("InfoGrid");
  EXPECT_FALSE(grid->isEnabled());  // planes only until the objects are listed
  form.RebuildObjectTree();
  EXPECT_EQ(form.SelectedObject(), 1);  // the last object, shown in the grid
  EXPECT_EQ(grid->item(3, 1)->text(), "9");
  auto* tree = form.findChild<QTreeWidget*>("TreeView1");
  tree->setCurrentItem(tree->topLevelItem(0)->child(1)->child(0));  // "Tree"
  ASSERT_EQ(form.SelectedObject(), 0);
  grid->item(1, 1)->setText("17");
  EXPECT_EQ(p.fgObjs[0].X1, 17);
  ASSERT_EQ(p.MeshRegions[1].Objects.size(), 2u);
  EXPECT_EQ(p.MeshRegions[1].Objects[0].X1, 17);
  grid->item(0, 1)->setText("x1");
  EXPECT_EQ(p.fgObjs[0].Y1, 4);
  ASSERT_EQ(warnings.Warnings.size(), 1u);
  EXPECT_EQ(grid->item(0, 1)->text(), "4");  // the cell shows the kept value
  auto* combo = form.findChild<QComboBox*>("ParentComboBox");
  combo->setCurrentIndex(4);
  emit combo->activated(4);
  EXPECT_EQ(p.fgObjs[0].Parent, 5);
  tree->topLevelItem(0)->child(1)->child(0)->setText(0, "Oak");
  EXPECT_EQ(p.fgObjs[0].Name, "Oak");
  ASSERT_EQ(undo.count(), 3);
  undo.undo();
  undo.undo();
  undo.undo();
  EXPECT_EQ(p.fgObjs[0].Name, "Tree");
  EXPECT_EQ(p.fgObjs[0].Parent, 1);
  EXPECT_EQ(p.fgObjs[0].X1, 3);
  EXPECT_EQ(p.MeshRegions[1].Objects[0].X1, 3);
}

}  // namespace
}  // namespace glkov
