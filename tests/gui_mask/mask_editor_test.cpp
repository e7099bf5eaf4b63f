// The "Object Mask" page's editor driven through the main window: a mask made with its tools
// for the synthetic room, saved with the project and made into a scene, with no other program.
//
#include "app/mask_editor.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <filesystem>

#include "app/picture_view.h"
#include "core/model/project.h"
#include "core/vision/mask_tools.h"
#include "gui/gui_fixture.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

using vision::MaskPoint;
using vision::MaskRect;

double IoU(const TFastBMP& got, const TFastBMP& exact) {
  int both = 0, either = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x) {
      const bool g = got.Pixel(x, y)[2] >= 128, e = exact.Pixel(x, y)[2] >= 128;
      both += g && e;
      either += g || e;
    }
  return either ? double(both) / either : 0;
}

class MaskEditorTest : public GuiTest {
 protected:
  // The half-size synthetic room written as a project; its own mask file is never used.
  std::unique_ptr<app::TMainForm> OpenRoom() {
    synthetic::SyntheticRoomOptions o = MediumRoomOptions();
    o.Objects = synthetic::DefaultRoomObjects();
    for (synthetic::RoomObject& obj : o.Objects) {
      obj.CenterX /= 2, obj.FloorRow /= 2, obj.Width /= 2, obj.Height /= 2;
    }
    room_ = synthetic::MakeSyntheticRoom(o);
    synthetic::WriteRoomProject(room_, dir_.path(), "room");
    auto form = MakeForm();
    form->show();
    QApplication::setActiveWindow(form.get());
    QApplication::processEvents();
    EXPECT_TRUE(form->OpenProjectFile(Path("room.kov"))) << script.errors.join("\n").toStdString();
    form->ShowPage(1);
    QApplication::processEvents();
    return form;
  }

  // The room's objects' boxes (rows from the top), 10 pixels larger than each object.
  std::vector<MaskRect> ObjectBoxes() const {
    std::vector<MaskRect> boxes;
    const int h = room_.Mask.Height();
    for (const TRegionObject& obj : room_.MeshRegions[1].Objects) {
      boxes.push_back(
          {int(obj.X1) - 10, h - 1 - int(obj.Y2) - 10, int(obj.X2) + 10, h - 1 - int(obj.Y1) + 10});
    }
    return boxes;
  }

  // A mouse gesture on the canvas at picture points, through the view's own mapping.
  static void Gesture(QWidget* canvas, const std::vector<MaskPoint>& points, Qt::MouseButton b,
                      Qt::KeyboardModifiers mods) {
    auto* view = static_cast<app::TPictureView*>(canvas);
    auto at = [&](MaskPoint p) { return view->ImageToView(QPointF(p.X + 0.5, p.Y + 0.5)); };
    Mouse(canvas, QEvent::MouseButtonPress, at(points.front()), b, b, mods);
    for (size_t i = 1; i < points.size(); ++i)
      Mouse(canvas, QEvent::MouseMove, at(points[i]), b, b, mods);
    Mouse(canvas, QEvent::MouseButtonRelease, at(points.back()), b, Qt::NoButton, mods);
  }

  synthetic::SyntheticRoom room_;
};

TEST_F(MaskEditorTest, MaskMadeInTheProgramToTheMovie) {
  auto form = OpenRoom();
  TProject& p = form->Project();
  auto* editor = Find<app::TMaskEditor>(form.get(), "MaskEditor");
  ASSERT_TRUE(editor->isVisible());
  auto* canvas = Find<QWidget>(editor, "MaskCanvas");

  // "New Mask": all black at the original's size, one undo step.
  Find<QAction>(editor, "NewMask")->trigger();
  ASSERT_EQ(p.IMask.Width(), 320);
  EXPECT_EQ(vision::CountMaskPixels(p.IMask), 0);
  EXPECT_TRUE(p.MaskFilename.empty());

  // Select Object around each object, each an undo step.
  const int steps = form->findChild<QUndoStack*>()->count();
  editor->SetTool(app::TMaskEditor::Tool::SelectObject);
  for (const MaskRect& box : ObjectBoxes()) {
    Gesture(canvas, {{box.Left, box.Top}, {box.Right, box.Bottom}}, Qt::LeftButton, Qt::NoModifier);
  }
  EXPECT_GT(IoU(p.IMask, room_.Mask), 0.85);
  QUndoStack* undo = form->findChild<QUndoStack*>();
  EXPECT_EQ(undo->count(), steps + 3);
  const int64_t selected = vision::CountMaskPixels(p.IMask);

  // A brush stroke in empty floor, then the eraser takes it back; each one step, and undo
  // restores the pixels exactly.
  editor->SetTool(app::TMaskEditor::Tool::Brush);
  editor->SetBrushSize(8);
  QTest::keyClick(canvas, Qt::Key_BracketRight);
  EXPECT_EQ(editor->BrushSize(), 10);
  Gesture(canvas, {{20, 225}, {40, 228}, {60, 225}}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_GT(vision::CountMaskPixels(p.IMask), selected + 300);
  EXPECT_GT(vision::CountMaskPixels(p.IMask_r), selected + 300);  // the cut-out follows
  undo->undo();
  EXPECT_EQ(vision::CountMaskPixels(p.IMask), selected);
  undo->redo();
  EXPECT_GT(vision::CountMaskPixels(p.IMask), selected + 300);
  editor->SetTool(app::TMaskEditor::Tool::Eraser);
  QTest::keyClick(canvas, Qt::Key_BracketRight);
  Gesture(canvas, {{20, 225}, {40, 228}, {60, 225}}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(vision::CountMaskPixels(p.IMask), selected);

  // Zoomed in (View menu) and panned, a stroke still lands where the picture shows it.
  auto* view = static_cast<app::TPictureView*>(canvas);
  form->findChild<QAction*>("ZoomIn1")->trigger();
  form->findChild<QAction*>("ZoomIn1")->trigger();
  EXPECT_GT(view->Zoom(), 1.4);
  view->PanBy(QPointF(-40, -30));
  editor->SetTool(app::TMaskEditor::Tool::Brush);
  editor->SetBrushSize(1);
  const MaskPoint dot{150, 120};  // on the rear wall, in sight after the zoom
  Gesture(canvas, {dot}, Qt::LeftButton, Qt::NoModifier);
  EXPECT_EQ(p.IMask.Pixel(dot.X, dot.Y)[2], 255);
  EXPECT_EQ(vision::CountMaskPixels(p.IMask), selected + 1);
  undo->undo();
  form->findChild<QAction*>("Fit1")->trigger();
  EXPECT_EQ(view->Zoom(), 1.0);

  // A lasso adds its area.
  editor->SetTool(app::TMaskEditor::Tool::Lasso);
  editor->AddLassoPoint({20, 200}, false);
  editor->AddLassoPoint({70, 195}, false);
  editor->AddLassoPoint({60, 230}, true);
  editor->CloseLasso(true);
  EXPECT_GT(vision::CountMaskPixels(p.IMask), selected + 200);
  undo->undo();

  // Feather: soft edges, one step.
  editor->FeatherMask(4);
  EXPECT_NEAR(double(vision::CountMaskPixels(p.IMask)), double(selected), 0.05 * selected);

  // Saving writes the mask beside the project, which refers to it.
  form->SaveAction->trigger();
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(p.MaskFilename, (dir_ / "room_mask.png").string());
  EXPECT_EQ(Find<QLineEdit>(form.get(), "MaskFilenameEdit")->text().toStdString(), p.MaskFilename);
  TFastBMP saved;
  LoadPictureFile((dir_ / "room_mask.png").string(), saved);
  EXPECT_EQ(saved.PackedPixels(), p.IMask.PackedPixels());

  // Make finds the three objects in the mask made here.
  form->MakeScene();
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(p.fgObjCount(), 3);
}

// Select Object, its refinement and Feather run on a worker thread: the window's events keep
// running (a timer fires) while the progress dialog is up, and Cancel there leaves the mask and
// the undo stack as they were.
TEST_F(MaskEditorTest, LongToolsKeepTheWindowRunningAndCancelChangesNothing) {
  auto form = OpenRoom();
  TProject& p = form->Project();
  auto* editor = Find<app::TMaskEditor>(form.get(), "MaskEditor");
  QUndoStack* undo = form->findChild<QUndoStack*>();
  Find<QAction>(editor, "NewMask")->trigger();
  const MaskRect box = ObjectBoxes()[1];

  // Events run during the selection, with the progress dialog shown over the page.
  int ticks = 0;
  bool dialogSeen = false;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    ++ticks;
    if (auto* d = editor->findChild<QProgressDialog*>("MaskToolProgress"))
      dialogSeen = dialogSeen || d->isVisible();
  });
  timer.start(0);
  const int steps = undo->count();
  editor->SelectObject(box);
  timer.stop();
  EXPECT_GT(ticks, 0);
  EXPECT_TRUE(dialogSeen);
  EXPECT_EQ(undo->count(), steps + 1);
  EXPECT_GT(vision::CountMaskPixels(p.IMask), 100);
  // The page shows the selection as soon as the tool is done.
  const int cx = (box.Left + box.Right) / 2, cy = (box.Top + box.Bottom) / 2;
  EXPECT_EQ(p.IMask.Pixel(cx, cy)[2], 255);
  EXPECT_NE(editor->View().Pixel(cx, cy)[0], p.IOriginal.Pixel(cx, cy)[0]);

  // Cancel pressed in the dialog while a tool runs: nothing changes.
  auto cancelNextRun = [&] {
    QTimer::singleShot(0, editor, [editor] {
      auto* d = editor->findChild<QProgressDialog*>("MaskToolProgress");
      ASSERT_NE(d, nullptr);
      d->cancel();
    });
  };
  const TFastBMP before = p.IMask;
  const int count = undo->count(), index = undo->index();
  const auto unchanged = [&](const char* what) {
    EXPECT_EQ(p.IMask.PackedPixels(), before.PackedPixels()) << what;
    EXPECT_EQ(undo->count(), count) << what;
    EXPECT_EQ(undo->index(), index) << what;
  };
  cancelNextRun();
  editor->SelectObject(ObjectBoxes().back());
  unchanged("select object");
  cancelNextRun();
  editor->RefineSelection({{box.Left + 12, box.Top + 12}, {box.Right - 12, box.Bottom - 12}},
                          false);
  unchanged("refine");
  cancelNextRun();
  editor->FeatherMask(6);
  unchanged("feather");

  // Not cancelled, the same tools still work afterwards.
  editor->FeatherMask(6);
  EXPECT_EQ(undo->count(), count + 1);
  EXPECT_NE(p.IMask.PackedPixels(), before.PackedPixels());
}

}  // namespace
}  // namespace glkov::testing
