#include <QAction>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QUndoStack>
#include <QWheelEvent>
#include <cmath>

#include "app/picture_view.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMeshImage;

void Mouse(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void Wheel(QWidget* w, QPointF pos, int steps) {
  QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(w, &e);
}

void Key(QWidget* w, QEvent::Type type, int key) {
  QKeyEvent e(type, key, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

class MeshZoomTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    form = MakeForm();
    form->NewProject();
    form->show();
    ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 300, 200)));
    form->ShowPage(3);
    QApplication::processEvents();
    form->LayoutViews(300, 200);
    form->DefaultMeshButtonClick();
    form->UndoStack()->clear();
    mesh = Find<TMeshImage>(form.get(), "MeshImage");
  }
  QWidget* Handle(int tag) { return form->findChild<QWidget*>(QString("Shape%1").arg(tag)); }
  QPoint Centre(int tag) { return Handle(tag)->pos() + QPoint(3, 3); }

  std::unique_ptr<app::TMainForm> form;
  TMeshImage* mesh = nullptr;
};

TEST_F(MeshZoomTest, WheelZoomsAboutTheCursorAndHandlesFollow) {
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

TEST_F(MeshZoomTest, DragIsExactAtHighZoom) {
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

TEST_F(MeshZoomTest, PanWithMiddleButtonOrSpaceAndFit) {
  form->ZoomInAction->trigger();
  form->ZoomInAction->trigger();
  EXPECT_NEAR(mesh->Zoom(), 2.0, 1e-12);
  const QPointF pan = mesh->Pan();
  const QPoint c2 = Centre(2);
  Mouse(mesh, QEvent::MouseButtonPress, QPointF(100, 100), Qt::MiddleButton, Qt::MiddleButton);
  Mouse(mesh, QEvent::MouseMove, QPointF(110, 95), Qt::NoButton, Qt::MiddleButton);
  Mouse(mesh, QEvent::MouseButtonRelease, QPointF(110, 95), Qt::MiddleButton, Qt::NoButton);
  EXPECT_EQ(mesh->Pan(), pan + QPointF(10, -5));
  EXPECT_EQ(Centre(2), c2 + QPoint(10, -5));
  // Space with the left button pans as well, and changes no grid.
  const double divisions = form->Project().GridDivisions;
  Key(mesh, QEvent::KeyPress, Qt::Key_Space);
  Mouse(mesh, QEvent::MouseButtonPress, QPointF(100, 100), Qt::LeftButton, Qt::LeftButton);
  Mouse(mesh, QEvent::MouseMove, QPointF(90, 100), Qt::NoButton, Qt::LeftButton);
  Mouse(mesh, QEvent::MouseButtonRelease, QPointF(90, 100), Qt::LeftButton, Qt::NoButton);
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

}  // namespace
}  // namespace glkov::testing
