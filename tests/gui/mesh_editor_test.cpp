#include <QAction>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QWheelEvent>
#include <cmath>
#include <functional>

#include "app/picture_view.h"
#include "core/perspective/mesh.h"
#include "core/perspective/view_layout.h"
#include "core/util/text_format.h"
#include "gui_fixture.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

using app::TMainForm;
using app::TMeshImage;

void Wheel(QWidget* w, QPointF pos, int steps) {
  QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

void Key(QWidget* w, QEvent::Type type, int key) {
  QKeyEvent e(type, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
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
    mesh = Find<TMeshImage>(form.get(), "MeshImage");
  }
  QWidget* Handle(int tag) { return form->findChild<QWidget*>(QString("Shape%1").arg(tag)); }
  QPoint Centre(int tag) { return Handle(tag)->pos() + QPoint(3, 3); }
  double s() { return form->Layout().FitScale; }

  std::unique_ptr<TMainForm> form;
  TMeshImage* mesh = nullptr;
};

// The handle's move itself is the core's (MoveHandle); here the window's part: the handle stays
// where it was dropped, its neighbours follow, and the drag is one undo step of the sub-scene.
TEST_F(MeshEditorTest, DraggingShape3MovesShape4AndShape5) {
  const QPoint c3 = Centre(3), c4 = Centre(4), c5 = Centre(5);
  Drag(Handle(3), QPoint(3, 3), QPoint(-20, 15));
  const QPoint grabbed = c3 + QPoint(-20, 15);
  const TProject& p = form->Project();
  // The handle centre goes back to picture coordinates (the inverse of the display mapping) and
  // the handles are placed from those: the handle stays where it was dropped.
  EXPECT_NEAR(p.InnerLeft, grabbed.x() / s(), 1e-9);
  EXPECT_NEAR(p.InnerBottom, 199 - grabbed.y() / s(), 1e-9);
  const QPoint moved = grabbed;
  EXPECT_EQ(Centre(3), moved);
  EXPECT_EQ(Centre(4), QPoint(moved.x(), c4.y()));
  EXPECT_EQ(Centre(5), QPoint(c5.x(), moved.y()));
  // The drag is stored in the current sub-scene and can be undone and redone.
  EXPECT_DOUBLE_EQ(p.MeshRegions[1].InnerLeft, p.InnerLeft);
  EXPECT_TRUE(p.Modified);
  ASSERT_EQ(form->UndoStack()->count(), 1);
  form->UndoAction->trigger();
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 100);
  EXPECT_EQ(Centre(3), c3);
  form->RedoAction->trigger();
  EXPECT_DOUBLE_EQ(p.InnerLeft, moved.x() / s());
  EXPECT_EQ(Centre(3), moved);
}

TEST_F(MeshEditorTest, HandlesKeepTheVanishingPointInsideTheInnerRectangle) {
  // The default mesh: inner rectangle (100, 66)-(200, 132), vanishing point (150, 99).
  const TProject& p = form->Project();
  Drag(Handle(2), QPoint(3, 3), QPoint(5000, -5000));
  EXPECT_DOUBLE_EQ(p.VanishX, p.InnerRight - 1);
  EXPECT_DOUBLE_EQ(p.VanishY, p.InnerTop - 1);
  const DisplayPoint vanish = PictureToDisplay({p.VanishX, p.VanishY}, s(), 200);
  EXPECT_EQ(Centre(2), QPoint(vanish.X, vanish.Y));  // the handle shows where the point stopped
  form->UndoAction->trigger();
  // A corner dragged past the vanishing point stops short of it, and off the picture stays on it.
  Drag(Handle(3), QPoint(3, 3), QPoint(500, -500));
  EXPECT_LE(p.InnerLeft, p.VanishX - 1);
  EXPECT_LE(p.InnerBottom, p.VanishY - 1);
  Drag(Handle(6), QPoint(3, 3), QPoint(-500, 500));
  EXPECT_GE(p.InnerRight, p.VanishX + 1);
  EXPECT_GE(p.InnerTop, p.VanishY + 1);
  Drag(Handle(5), QPoint(3, 3), QPoint(5000, 5000));
  EXPECT_LE(p.InnerRight, 300);
  EXPECT_GE(p.InnerBottom, 0);
  EXPECT_EQ(p.MeshRegions[1].InnerRight, p.InnerRight);
  form->findChild<QCheckBox*>("PerspectiveDone")->click();
  EXPECT_TRUE(p.PerspectiveDone);
  EXPECT_TRUE(script.errors.isEmpty());
}

// Which meshes cannot be built is the scene builder's (its table of degenerate meshes); "Done"
// shows its message and stays unchecked.
TEST_F(MeshEditorTest, DoneRefusesAMeshThatCannotBeBuilt) {
  auto* done = form->findChild<QCheckBox*>("PerspectiveDone");
  app::TMeshState bad = form->CurrentMeshState();
  bad.VanishX = 240;  // right of the inner rectangle
  form->ApplyMeshState(bad);
  done->click();
  EXPECT_FALSE(form->Project().PerspectiveDone);
  EXPECT_FALSE(done->isChecked());
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("vanishing point")) << script.errors[0].toStdString();
}

TEST_F(MeshEditorTest, HandleMoveWritesThePosition) {
  auto* h = Handle(5);
  Mouse(h, QEvent::MouseMove, QPoint(2, 1), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(form->PanelText(2), QString(" X: %1 Y: %2 ").arg(h->x() + 2).arg(h->y() + 1));
  Mouse(form->findChild<QWidget*>("MeshImage"), QEvent::MouseMove, QPoint(9, 9), Qt::NoButton,
        Qt::NoButton);
  EXPECT_EQ(form->PanelText(2), " W: 300 H: 200 ");
}

// The amounts of each drag are the core's (ApplyMeshDrag); the window sends each button to it.
TEST_F(MeshEditorTest, GridDrags) {
  auto* mesh = form->findChild<QWidget*>("MeshImage");
  const TProject& p = form->Project();
  Drag(mesh, QPoint(50, 50), QPoint(100, 25), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_DOUBLE_EQ(p.GridOffsetX, 2.0);
  EXPECT_EQ(p.GridDivisions, 8.0);
  Drag(mesh, QPoint(50, 50), QPoint(7, 30), Qt::RightButton);
  EXPECT_DOUBLE_EQ(p.FocalLength, 263);
  Drag(mesh, QPoint(50, 50), QPoint(50, 0));
  EXPECT_DOUBLE_EQ(p.GridDivisions, 9.0);
  // Grid drags touch neither the handles nor the stored sub-scene; the focal length is undoable.
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 100);
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
  // The status bar no longer invites dragging the handles, and says how to change the mesh.
  EXPECT_TRUE(form->PanelText(4).contains("\"Done\"")) << form->PanelText(4).toStdString();
  for (int tag = 2; tag <= 6; ++tag) EXPECT_FALSE(Handle(tag)->statusTip().contains("Drag"));
  // A checked box ends grid drags.
  Drag(form->findChild<QWidget*>("MeshImage"), QPoint(10, 10), QPoint(50, 0));
  EXPECT_EQ(p.GridDivisions, 8.0);
  form->UndoAction->trigger();
  EXPECT_FALSE(p.PerspectiveDone);
  EXPECT_FALSE(done->isChecked());
  EXPECT_TRUE(Handle(3)->isEnabled());
  EXPECT_TRUE(Handle(3)->statusTip().contains("Drag"));
  EXPECT_TRUE(cameraItem()->isDisabled());
  form->RedoAction->trigger();
  EXPECT_TRUE(done->isChecked());
  // Double-clicking the picture toggles it as well (the handler runs on the enabled image).
  form->SetPerspectiveDone(false);
  auto* mesh = static_cast<app::TMeshImage*>(form->findChild<QWidget*>("MeshImage"));
  emit mesh->DoubleClicked();
  EXPECT_TRUE(p.PerspectiveDone);
  // The default mesh clears it, as one undo step.
  form->DefaultMeshButtonClick();
  EXPECT_FALSE(p.PerspectiveDone);
  EXPECT_FALSE(done->isChecked());
  form->UndoAction->trigger();
  EXPECT_TRUE(done->isChecked());
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
}

TEST_F(MeshEditorTest, BackdropMenu) {
  auto* menu = form->findChild<QMenu*>("MeshBackgroundMenu");
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 3);
  auto* mesh = static_cast<app::TMeshImage*>(form->findChild<QWidget*>("MeshImage"));
  EXPECT_EQ(mesh->Picture(), &form->Project().IOriginal_r);
  menu->actions()[1]->trigger();
  EXPECT_EQ(mesh->Picture(), &form->Project().IMask_r);
  // A new original is shown as itself again; its import is an undo step.
  const QString other = MakePicture("other.bmp", 120, 90);
  ASSERT_TRUE(form->ImportPicture(0, other));
  EXPECT_EQ(mesh->Picture(), &form->Project().IOriginal_r);
  EXPECT_EQ(form->Project().PicWidth, 120);
  form->UndoAction->trigger();
  EXPECT_EQ(form->Project().PicWidth, 300);
  EXPECT_EQ(form->findChild<QLineEdit*>("PictureFilenameEdit")->text().toStdString(),
            (dir_ / "o.bmp").string());
  form->RedoAction->trigger();
  EXPECT_EQ(form->findChild<QLineEdit*>("PictureFilenameEdit")->text(), other);
}

TEST_F(MeshEditorTest, LayoutFollowsTheWorkAreaOnEveryPage) {
  // Each page's view, laid out in the page's own area whatever changed that area's size.
  const struct {
    int page;
    const char* area;
    const char* view;
  } pages[] = {{3, "MeshArea", "MeshPanel"},
               {4, "ObjArea", "ObjImage"},
               {0, "IOriginal_rArea", "IOriginal_r"}};
  const struct {
    const char* what;
    std::function<void()> change;
  } changes[] = {
      {"smaller window", [&] { form->resize(700, 500); }},
      {"status bar", [&] { form->StatusbarAction->trigger(); }},
      {"step bar", [&] { form->StepbarAction->trigger(); }},
  };
  for (const auto& p : pages) {
    form->ShowPage(p.page);
    for (const auto& c : changes) {
      c.change();
      QApplication::processEvents();
      const QWidget* area = form->findChild<QWidget*>(p.area);
      const ViewLayout expect = LayoutViews(area->width() - 2, area->height() - 2, 300, 200);
      EXPECT_DOUBLE_EQ(form->Layout().FitScale, expect.FitScale) << p.view << ", " << c.what;
      EXPECT_EQ(form->findChild<QWidget*>(p.view)->geometry(),
                QRect(expect.Left + 1, expect.Top + 1, expect.DisplayWidth, expect.DisplayHeight))
          << p.view << ", " << c.what;
    }
  }
  EXPECT_EQ(form->PanelText(1), QString::fromStdString(ScaleText(form->Layout().FitScale)));
}

TEST_F(MeshEditorTest, WheelZoomsAboutTheCursorAndHandlesFollow) {
  const QPointF cursor(120, 70);
  const PointD under = mesh->ViewToPicture(cursor);
  const QPoint c2 = Centre(2), c3 = Centre(3);
  Wheel(mesh, cursor, 2);
  const double z = mesh->Zoom();
  EXPECT_NEAR(z, 1.5625, 1e-12);  // two steps of 1.25
  const PointD after = mesh->ViewToPicture(cursor);
  EXPECT_NEAR(after.x, under.x, 1e-9);
  EXPECT_NEAR(after.y, under.y, 1e-9);
  // Handles keep their size and sit where the zoom about the cursor takes their old place.
  for (auto [tag, before] : {std::pair{2, c2}, std::pair{3, c3}}) {
    const QPointF expect = cursor + z * (QPointF(before) - cursor);
    EXPECT_LE(std::abs(Centre(tag).x() - expect.x()), 1.0) << tag;
    EXPECT_LE(std::abs(Centre(tag).y() - expect.y()), 1.0) << tag;
    EXPECT_EQ(Handle(tag)->size(), QSize(7, 7));
  }
  // Zooming out below the fit stops at the fit; the picture then fills the view again.
  Wheel(mesh, cursor, -10);
  EXPECT_EQ(mesh->Zoom(), 1.0);
  EXPECT_EQ(mesh->Pan(), QPointF());
  EXPECT_EQ(Centre(2), c2);
  EXPECT_EQ(form->UndoStack()->count(), 0);  // viewing is not an edit
}

TEST_F(MeshEditorTest, DragIsExactAtHighZoom) {
  mesh->ZoomAbout(8, QPointF(Centre(3)));
  const TProject& p = form->Project();
  const double left = p.InnerLeft, bottom = p.InnerBottom, s = form->Layout().FitScale;
  const QPoint grab = Centre(3);
  // Eight view pixels at zoom 8 are one display pixel: 1 / s picture pixels.
  Mouse(Handle(3), QEvent::MouseButtonPress, QPointF(3, 3), Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(mesh->MagnifierPoint().has_value());
  Mouse(Handle(3), QEvent::MouseMove, QPointF(3 + 8, 3 - 16), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(*mesh->MagnifierPoint(), QPointF(grab + QPoint(8, -16)));
  Mouse(Handle(3), QEvent::MouseButtonRelease, QPointF(3 + 8, 3 - 16), Qt::LeftButton,
        Qt::NoButton);
  EXPECT_FALSE(mesh->MagnifierPoint().has_value());
  // Exact to the view pixel: the handle started on the nearest one to its point.
  const double pixel = 0.5 / (8 * s) + 1e-9;
  EXPECT_NEAR(p.InnerLeft, left + 1 / s, pixel);
  EXPECT_NEAR(p.InnerBottom, bottom + 2 / s, pixel);
  EXPECT_EQ(Centre(3), grab + QPoint(8, -16));
  EXPECT_EQ(form->UndoStack()->count(), 1);
  form->UndoAction->trigger();
  EXPECT_EQ(p.InnerLeft, left);
  EXPECT_EQ(Centre(3), grab);
}

TEST_F(MeshEditorTest, PanWithMiddleButtonOrSpaceAndFit) {
  form->ZoomInAction->trigger();
  form->ZoomInAction->trigger();
  EXPECT_NEAR(mesh->Zoom(), 2.0, 1e-12);
  const QPointF pan = mesh->Pan();
  const QPoint c2 = Centre(2);
  Drag(mesh, QPoint(100, 100), QPoint(10, -5), Qt::MiddleButton);
  EXPECT_EQ(mesh->Pan(), pan + QPointF(10, -5));
  EXPECT_EQ(Centre(2), c2 + QPoint(10, -5));
  // Space with the left button pans as well, and changes no grid.
  const double divisions = form->Project().GridDivisions;
  Key(mesh, QEvent::KeyPress, Qt::Key_Space);
  Drag(mesh, QPoint(100, 100), QPoint(-10, 0));
  Key(mesh, QEvent::KeyRelease, Qt::Key_Space);
  EXPECT_EQ(mesh->Pan(), pan + QPointF(0, -5));
  EXPECT_EQ(form->Project().GridDivisions, divisions);
  // The picture always covers the view: a far pan stops at its edge.
  mesh->PanBy(QPointF(5000, 5000));
  EXPECT_EQ(mesh->Pan(), QPointF());
  form->FitAction->trigger();
  EXPECT_EQ(mesh->Zoom(), 1.0);
  form->ZoomOutAction->trigger();
  EXPECT_EQ(mesh->Zoom(), 1.0);
  // The zoom acts on the view of the page shown.
  form->ShowPage(0);
  form->ZoomInAction->trigger();
  EXPECT_GT(Find<app::TPictureView>(form.get(), "IOriginal_r")->Zoom(), 1.0);
  EXPECT_EQ(mesh->Zoom(), 1.0);
}

// "Suggest" on a photographed room: the handles go to the room's vanishing point in one undo
// step, the lines used show for a moment and the status bar gives the confidence.
TEST_F(MeshEditorTest, SuggestPlacesTheMeshInOneUndoStep) {
  synthetic::SyntheticRoomOptions o;
  o.Width = 300;
  o.Height = 200;
  o.VanishX = 140;
  o.VanishY = 90;
  o.InnerLeft = 90;
  o.InnerRight = 200;
  o.InnerBottom = 55;
  o.InnerTop = 140;
  o.FocalLength = 260;
  o.Objects.clear();
  SaveBMP((dir_ / "room.bmp").string(), synthetic::MakeSyntheticRoom(o).Background);
  ASSERT_TRUE(form->ImportPicture(0, Path("room.bmp")));
  form->ShowPage(3);
  form->DefaultMeshButtonClick();
  form->UndoStack()->clear();
  const QPoint c2 = Centre(2);
  Find<QToolButton>(form.get(), "SuggestMeshButton")->click();
  const TProject& p = form->Project();
  EXPECT_NEAR(p.VanishX, 140, 0.03 * 300);
  EXPECT_NEAR(p.VanishY, 90, 0.03 * 300);
  EXPECT_EQ(QPointF(Centre(2)), mesh->PictureToView({p.VanishX, p.VanishY}).toPoint());
  EXPECT_FALSE(mesh->HintLines().empty());
  EXPECT_TRUE(form->PanelText(4).contains("confidence")) << form->PanelText(4).toStdString();
  EXPECT_EQ(p.MeshRegions[1].VanishX, p.VanishX);  // stored in the sub-scene
  ASSERT_EQ(form->UndoStack()->count(), 1);
  form->UndoAction->trigger();
  EXPECT_EQ(p.VanishX, 150);
  EXPECT_EQ(Centre(2), c2);
}

}  // namespace
}  // namespace glkov::testing
