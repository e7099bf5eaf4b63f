#include <QCheckBox>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <cmath>

#include "app/picture_view.h"
#include "core/perspective/mesh.h"
#include "core/perspective/view_layout.h"
#include "core/util/text_format.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

// Sends a mouse event straight to a widget (positions in its own pixels).
void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
           Qt::MouseButtons buttons, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, mods);
  QApplication::sendEvent(w, &e);
}

// Drags a widget's point at grab by delta: press, move, release.
void Drag(QWidget* w, QPoint grab, QPoint delta, Qt::MouseButton button = Qt::LeftButton,
          Qt::KeyboardModifiers mods = Qt::NoModifier) {
  Mouse(w, QEvent::MouseButtonPress, grab, button, button, mods);
  Mouse(w, QEvent::MouseMove, grab + delta, Qt::NoButton, button, mods);
  Mouse(w, QEvent::MouseButtonRelease, grab + delta, button, Qt::NoButton, mods);
}

class MeshEditorTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    form = MakeForm();
    form->NewProject();
    form->show();
    ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 300, 200)));
    ASSERT_TRUE(form->ImportPicture(1, MakePicture("m.bmp", 300, 200, 2)));
    form->ShowPage(3);
    QApplication::processEvents();
    form->LayoutViews(300, 200);
    // A new picture's sub-scene takes its mesh from its rectangle; the button gives the
    // picture's own default mesh.
    form->DefaultMeshButtonClick();
    form->UndoStack()->clear();
  }
  QWidget* Handle(int tag) { return form->findChild<QWidget*>(QString("Shape%1").arg(tag)); }
  QPoint Centre(int tag) { return Handle(tag)->pos() + QPoint(3, 3); }
  double s() { return form->Layout().FitScale; }

  std::unique_ptr<TMainForm> form;
};

TEST_F(MeshEditorTest, DefaultMeshOf300x200) {
  const TProject& p = form->Project();
  EXPECT_EQ(p.InnerLeft, 100);
  EXPECT_EQ(p.InnerRight, 200);
  EXPECT_EQ(p.InnerBottom, 66);
  EXPECT_EQ(p.InnerTop, 132);
  EXPECT_EQ(p.VanishX, 150);
  EXPECT_EQ(p.VanishY, 99);
  EXPECT_EQ(p.FocalLength, 260);
  // Handles sit on their points through the display mapping.
  const DisplayPoint d3 = PictureToDisplay({100, 66}, s(), 200);
  const DisplayPoint d2 = PictureToDisplay({150, 99}, s(), 200);
  EXPECT_EQ(Centre(3), QPoint(d3.X, d3.Y));
  EXPECT_EQ(Centre(2), QPoint(d2.X, d2.Y));
  EXPECT_FALSE(Handle(2)->isHidden());
}

TEST_F(MeshEditorTest, DraggingShape3MovesShape4AndShape5) {
  const QPoint c3 = Centre(3), c4 = Centre(4), c5 = Centre(5), c6 = Centre(6);
  Drag(Handle(3), QPoint(3, 3), QPoint(-20, 15));
  const QPoint grabbed = c3 + QPoint(-20, 15);
  const TProject& p = form->Project();
  // The handle centre goes back to picture coordinates (the inverse of the display mapping) and
  // the handles are placed from those: the handle stays where it was dropped.
  EXPECT_NEAR(p.InnerLeft, grabbed.x() / s(), 1e-9);
  EXPECT_NEAR(p.InnerBottom, 199 - grabbed.y() / s(), 1e-9);
  const DisplayPoint d = PictureToDisplay({p.InnerLeft, p.InnerBottom}, s(), 200);
  const QPoint moved(d.X, d.Y);
  EXPECT_EQ(Centre(3), moved);
  EXPECT_EQ(moved, grabbed);
  EXPECT_EQ(Centre(4).x(), moved.x());  // same x, its own y
  EXPECT_EQ(Centre(4).y(), c4.y());
  EXPECT_EQ(Centre(5).y(), moved.y());  // same y, its own x
  EXPECT_EQ(Centre(5).x(), c5.x());
  EXPECT_EQ(Centre(6), c6);
  // The drag is stored in the current sub-scene and can be undone and redone.
  EXPECT_DOUBLE_EQ(p.MeshRegions[1].InnerLeft, p.InnerLeft);
  EXPECT_TRUE(p.Modified);
  ASSERT_EQ(form->UndoStack()->count(), 1);
  form->UndoAction->trigger();
  EXPECT_EQ(p.InnerLeft, 100);
  EXPECT_EQ(p.InnerBottom, 66);
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 100);
  EXPECT_EQ(Centre(3), c3);
  form->RedoAction->trigger();
  EXPECT_DOUBLE_EQ(p.InnerLeft, moved.x() / s());
  EXPECT_EQ(Centre(3), moved);
}

TEST_F(MeshEditorTest, HandleStaysOnThePicture) {
  Drag(Handle(2), QPoint(3, 3), QPoint(5000, -5000));
  const ViewLayout& l = form->Layout();
  EXPECT_DOUBLE_EQ(form->Project().VanishX, (l.DisplayWidth - 1) / s());
  EXPECT_NEAR(form->Project().VanishY, 199, 1e-9);  // the top row
}

TEST_F(MeshEditorTest, HandleMoveWritesThePosition) {
  auto* h = Handle(5);
  Mouse(h, QEvent::MouseMove, QPoint(2, 1), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(form->PanelText(2), QString(" X: %1 Y: %2 ").arg(h->x() + 2).arg(h->y() + 1));
  Mouse(form->findChild<QWidget*>("MeshImage"), QEvent::MouseMove, QPoint(9, 9), Qt::NoButton,
        Qt::NoButton);
  EXPECT_EQ(form->PanelText(2), " W: 300 H: 200 ");
}

TEST_F(MeshEditorTest, GridDrags) {
  auto* mesh = form->findChild<QWidget*>("MeshImage");
  const TProject& p = form->Project();
  Drag(mesh, QPoint(50, 50), QPoint(100, 25), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_DOUBLE_EQ(p.GridOffsetX, 2.0);
  EXPECT_DOUBLE_EQ(p.GridOffsetY, 0.5);
  EXPECT_EQ(p.GridDivisions, 8.0);
  Drag(mesh, QPoint(50, 50), QPoint(7, 30), Qt::RightButton);
  EXPECT_DOUBLE_EQ(p.FocalLength, 263);
  Drag(mesh, QPoint(50, 50), QPoint(50, 0));
  EXPECT_DOUBLE_EQ(p.GridDivisions, 9.0);
  Drag(mesh, QPoint(400, 50), QPoint(-400, 0));
  EXPECT_DOUBLE_EQ(p.GridDivisions, 1.0);  // never below one
  // Grid drags touch neither the handles nor the stored sub-scene.
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 100);
  // The focal-length drag is undoable.
  ASSERT_GE(form->UndoStack()->count(), 1);
  EXPECT_EQ(form->UndoStack()->command(0)->text(), "Change Focal Length");
}

TEST_F(MeshEditorTest, DoneLocksTheMesh) {
  auto* done = form->findChild<QCheckBox*>("PerspectiveDone");
  auto* tree = form->findChild<QTreeWidget*>("OutBar1");
  auto cameraItem = [&] {
    return tree->findItems("Camera Settings", Qt::MatchExactly | Qt::MatchRecursive).first();
  };
  EXPECT_TRUE(cameraItem()->isDisabled());
  done->click();
  const TProject& p = form->Project();
  EXPECT_TRUE(p.PerspectiveDone);
  EXPECT_TRUE(p.MeshRegions[1].PerspectiveDone);
  for (int tag = 2; tag <= 6; ++tag) EXPECT_FALSE(Handle(tag)->isEnabled());
  EXPECT_FALSE(form->findChild<QWidget*>("MeshImage")->isEnabled());
  EXPECT_FALSE(cameraItem()->isDisabled());
  // A checked box ends grid drags.
  Drag(form->findChild<QWidget*>("MeshImage"), QPoint(10, 10), QPoint(50, 0));
  EXPECT_EQ(p.GridDivisions, 8.0);
  form->UndoAction->trigger();
  EXPECT_FALSE(p.PerspectiveDone);
  EXPECT_FALSE(done->isChecked());
  EXPECT_TRUE(Handle(3)->isEnabled());
  EXPECT_TRUE(cameraItem()->isDisabled());
  form->RedoAction->trigger();
  EXPECT_TRUE(done->isChecked());
  // Double-clicking the picture toggles it as well (the handler runs on the enabled image).
  form->SetPerspectiveDone(false);
  auto* mesh = static_cast<app::TMeshImage*>(form->findChild<QWidget*>("MeshImage"));
  emit mesh->DoubleClicked();
  EXPECT_TRUE(p.PerspectiveDone);
  // The default mesh clears it.
  form->DefaultMeshButtonClick();
  EXPECT_FALSE(p.PerspectiveDone);
  EXPECT_FALSE(done->isChecked());
}

TEST_F(MeshEditorTest, FieldOfView) {
  const TProject& p = form->Project();
  const double shown = 2 * std::atan(150.0 / 260.0) * 180 / M_PI;
  script.input = "90";
  form->TBSetFOVClick();
  ASSERT_EQ(script.questions.size(), 1);
  EXPECT_EQ(script.questions[0].toStdString(), FormatG15(shown));
  EXPECT_NEAR(p.FocalLength, 150, 1e-9);
  form->UndoAction->trigger();
  EXPECT_EQ(p.FocalLength, 260);
  // Not a number: the error shows and the focal length stays.
  script.input = "wide";
  form->TBSetFOVClick();
  EXPECT_EQ(script.errors.size(), 1);
  EXPECT_EQ(p.FocalLength, 260);
  // Cancelled: recomputed from the shown value, practically unchanged.
  script.input.reset();
  form->TBSetFOVClick();
  EXPECT_NEAR(p.FocalLength, 260, 1e-6);
}

TEST_F(MeshEditorTest, DefaultMeshIsUndoable) {
  Drag(Handle(6), QPoint(3, 3), QPoint(10, 10));
  const double moved = form->Project().InnerRight;
  form->DefaultMeshButtonClick();
  EXPECT_EQ(form->Project().InnerRight, 200);
  form->UndoAction->trigger();
  EXPECT_EQ(form->Project().InnerRight, moved);
}

TEST_F(MeshEditorTest, BackdropMenu) {
  auto* menu = form->findChild<QMenu*>("MeshBackgroundMenu");
  ASSERT_NE(menu, nullptr);
  QStringList names;
  for (QAction* a : menu->actions()) names << a->objectName() + "=" + a->data().toString();
  EXPECT_EQ(names, QStringList({"Original2=1", "Mask2=2", "Background2=3"}));
  auto* mesh = static_cast<app::TMeshImage*>(form->findChild<QWidget*>("MeshImage"));
  EXPECT_EQ(mesh->Picture(), &form->Project().IOriginal_r);
  menu->actions()[1]->trigger();
  EXPECT_EQ(mesh->Picture(), &form->Project().IMask_r);
  EXPECT_EQ(form->findChild<QToolButton*>("MeshBackgroundButton")->statusTip(),
            "Select Mesh Background Image");
}

TEST_F(MeshEditorTest, ImportsAreUndoable) {
  const QString other = MakePicture("other.bmp", 120, 90);
  ASSERT_TRUE(form->ImportPicture(0, other));
  EXPECT_EQ(form->Project().PicWidth, 120);
  form->UndoAction->trigger();
  EXPECT_EQ(form->Project().PicWidth, 300);
  EXPECT_EQ(form->findChild<QLineEdit*>("PictureFilenameEdit")->text().toStdString(),
            (dir_ / "o.bmp").string());
  form->RedoAction->trigger();
  EXPECT_EQ(form->Project().PicWidth, 120);
  EXPECT_EQ(form->findChild<QLineEdit*>("PictureFilenameEdit")->text(), other);
}

TEST_F(MeshEditorTest, LayoutFollowsTheWindow) {
  form->resize(800, 600);
  QApplication::processEvents();
  const ViewLayout& l = form->Layout();
  const QWidget* page = form->findChild<QWidget*>("TabSheet1");
  const QWidget* bottom = form->findChild<QWidget*>("IOriginal_rBottomPanel");
  const ViewLayout expect =
      LayoutViews(page->width() - 2, page->height() - bottom->height() - 2, 300, 200);
  EXPECT_DOUBLE_EQ(l.FitScale, expect.FitScale);
  EXPECT_EQ(l.DisplayWidth, expect.DisplayWidth);
  EXPECT_EQ(form->PanelText(1), QString::fromStdString(ScaleText(expect.FitScale)));
  EXPECT_EQ(form->findChild<QWidget*>("MeshImage")->size(),
            QSize(expect.DisplayWidth, expect.DisplayHeight));
  EXPECT_EQ(form->findChild<QWidget*>("IOriginal_r")->geometry(),
            QRect(expect.Left + 1, expect.Top + 1, expect.DisplayWidth, expect.DisplayHeight));
}

}  // namespace
}  // namespace glkov::testing
