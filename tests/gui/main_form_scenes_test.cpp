// Sub-scenes and foreground objects through the main window: the scene divider, RegionCB and
// SubScenewTransCB, the extraction window, the inspector, the texture viewer and the masked image.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <nlohmann/json.hpp>
#include <utility>

#include "app/camera_control_form.h"
#include "app/extract_object_form.h"
#include "app/inspector_form.h"
#include "app/nevigator_form.h"
#include "app/picture_view.h"
#include "app/settings.h"
#include "app/texture_form.h"
#include "app/tool_forms.h"
#include "app/undo_commands.h"
#include "core/config/ini_file.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

class MainFormScenesTest : public GuiTest {
 protected:
  // A 64 x 48 project: the mask holds two bright boxes, columns 8..20 x rows 10..30 and
  // columns 35..55 x rows 20..40 (rows from the top).
  std::unique_ptr<TMainForm> Imported() {
    auto form = MakeForm();
    form->show();
    form->NewProject();
    TFastBMP mask(64, 48);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        const bool on =
            (x >= 8 && x <= 20 && y >= 10 && y <= 30) || (x >= 35 && x <= 55 && y >= 20 && y <= 40);
        std::fill_n(mask.Pixel(x, y), 3, on ? 255 : 0);
      }
    const auto maskFile = dir_ / "mask.bmp";
    SaveBMP(maskFile.string(), mask);
    EXPECT_TRUE(form->ImportPicture(0, MakePicture("orig.bmp", 64, 48, 1)));
    EXPECT_TRUE(form->ImportPicture(1, QString::fromStdString(maskFile.string())));
    EXPECT_TRUE(form->ImportPicture(2, MakePicture("back.bmp", 64, 48, 3)));
    QApplication::processEvents();
    return form;
  }

  static QComboBox* MainRegionCB(TMainForm& form) {
    return Find<QWidget>(&form, "RegionCBPanel")->findChild<QComboBox*>("RegionCB");
  }
  static QComboBox* TransCB(TMainForm& form) { return Find<QComboBox>(&form, "SubScenewTransCB"); }
  static QStringList Items(QComboBox* cb) {
    QStringList items;
    for (int i = 0; i < cb->count(); ++i) items << cb->itemText(i);
    return items;
  }

  // "Make" on the object page, "Extract", then "OK".
  static void ExtractAndAccept(TMainForm& form) {
    form.ShowPage(4);
    QTest::mouseClick(Find<QToolButton>(&form, "AutoExtractButton"), Qt::LeftButton);
    app::TToolForm* host = form.FindToolForm("TExtractObjectForm");
    ASSERT_TRUE(host->isVisible());
    QTest::mouseClick(Find<QPushButton>(host, "ButtonLED1"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(host, "OKButton"), Qt::LeftButton);
    EXPECT_FALSE(host->isVisible());
  }

  static int Boxes(TMainForm& form) {
    return static_cast<int>(Find<app::TMeshImage>(&form, "ObjImage")->Drawing().Boxes.size());
  }

  static QStringList Foreground(TMainForm& form) {
    auto* tree = Find<QTreeWidget>(form.ObjectInspector(), "TreeView1");
    QStringList names;
    const auto found = tree->findItems("Foreground", Qt::MatchExactly | Qt::MatchRecursive);
    if (found.isEmpty()) return {"<none>"};
    for (int i = 0; i < found[0]->childCount(); ++i) names << found[0]->child(i)->text(0);
    return names;
  }

  // An edit of the mesh, as a handle drag makes it: applied, then recorded for undo.
  static void SetInnerLeft(TMainForm& form, double value) {
    const app::TMeshState before = form.CurrentMeshState();
    app::TMeshState s = before;
    s.InnerLeft = value;
    form.ApplyMeshState(s);
    form.UndoStack()->push(new app::TMeshEditCommand(&form, "Move Control Point", before, s));
  }
};

TEST_F(MainFormScenesTest, ExtractionThroughTheMainWindowWithUndo) {
  auto form = Imported();
  TProject& p = form->Project();
  ExtractAndAccept(*form);
  ASSERT_EQ(p.fgObjCount(), 2);
  EXPECT_EQ(p.MeshRegions[1].ObjCount, 2);
  // The object page draws the boxes; the inspector opens with the objects, the last selected;
  // the texture viewer shows its texture.
  EXPECT_EQ(Boxes(*form), 2);
  EXPECT_TRUE(form->ToolWindowFlag(TMainForm::Inspector));
  EXPECT_TRUE(form->ToolForm(TMainForm::Inspector)->isVisible());
  EXPECT_EQ(Foreground(*form), QStringList({"Object 1", "Object 2"}));
  EXPECT_EQ(form->ObjectInspector()->SelectedObject(), 1);
  EXPECT_TRUE(form->ToolForm(TMainForm::Texture)->isVisible());
  EXPECT_TRUE(Find(form.get(), "ClearObjectsButton")->isEnabled());

  // Undo and redo reach the object page and the inspector.
  form->UndoAction->trigger();
  EXPECT_EQ(Boxes(*form), 0);
  EXPECT_EQ(Foreground(*form), QStringList());
  form->RedoAction->trigger();
  EXPECT_EQ(Boxes(*form), 2);
}

TEST_F(MainFormScenesTest, InspectorEditsGoIntoTheSubScene) {
  auto form = Imported();
  ExtractAndAccept(*form);
  TProject& p = form->Project();
  auto* grid = Find<QTableWidget>(form->ObjectInspector(), "InfoGrid");
  EXPECT_EQ(grid->item(1, 1)->text(), "35");  // "Left" of the last object
  grid->item(1, 1)->setText("30");
  EXPECT_EQ(p.MeshRegions[1].Objects[1].X1, 30);
  form->UndoAction->trigger();
  EXPECT_EQ(p.MeshRegions[1].Objects[1].X1, 35);
  // Saved and opened again, the inspector lists the objects.
  const QString file = Path("objects.kov");
  script.files = {file};
  ASSERT_TRUE(form->SaveProject());
  ASSERT_TRUE(form->OpenProjectFile(file)) << script.errors.join("\n").toStdString();
  EXPECT_EQ(Foreground(*form), QStringList({"Object 1", "Object 2"}));
}

TEST_F(MainFormScenesTest, DividerAddAndDeleteRefillTheLists) {
  auto form = Imported();
  TNevigatorForm* divider = form->Nevigator();
  EXPECT_TRUE(form->ToolForm(TMainForm::SceneDivider)->isVisible());
  QTest::mouseClick(Find<QToolButton>(divider, "AddSB"), Qt::LeftButton);
  EXPECT_EQ(Items(MainRegionCB(*form)), QStringList({"Region 1", "SubScene 2"}));
  EXPECT_EQ(MainRegionCB(*form)->currentIndex(), 0);  // still editing Region 1
  EXPECT_EQ(Items(TransCB(*form)),
            QStringList({"Region 1", "Region 1 to SubScene 2", "SubScene 2"}));

  // Deleting the sub-scene being edited goes back to the first one.
  emit MainRegionCB(*form)->activated(1);
  EXPECT_EQ(form->EnteredRegion(), 2);
  script.answers = {true};
  QTest::mouseClick(Find<QToolButton>(divider, "DeleteMeshButton"), Qt::LeftButton);
  EXPECT_EQ(form->EnteredRegion(), 1);
  EXPECT_EQ(form->Project().PicWidth, 64);
  EXPECT_EQ(Items(MainRegionCB(*form)), QStringList({"Region 1"}));
  EXPECT_EQ(Items(TransCB(*form)), QStringList({"Region 1"}));
}

TEST_F(MainFormScenesTest, EachSubSceneKeepsItsOwnMesh) {
  auto form = Imported();
  TProject& p = form->Project();
  QTest::mouseClick(Find<QToolButton>(form->Nevigator(), "AddSB"), Qt::LeftButton);
  form->ShowPage(3);
  SetInnerLeft(*form, 6);  // Region 1's mesh
  QTest::mouseClick(Find<QCheckBox>(form.get(), "PerspectiveDone"), Qt::LeftButton);
  ASSERT_TRUE(p.MeshRegions[1].PerspectiveDone);

  // Enter SubScene 2 through RegionCB: its crop, its mesh, its status text.
  emit MainRegionCB(*form)->activated(1);
  EXPECT_EQ(form->EnteredRegion(), 2);
  EXPECT_EQ(p.PicWidth, 28);
  EXPECT_EQ(p.PicHeight, 21);
  EXPECT_EQ(form->PanelText(2), " W: 28 H: 21 ");
  EXPECT_EQ(p.InnerLeft, 9);
  EXPECT_FALSE(p.PerspectiveDone);
  EXPECT_EQ(TransCB(*form)->currentIndex(), 2);
  SetInnerLeft(*form, 3);

  // And back: each keeps its own.
  emit MainRegionCB(*form)->activated(0);
  EXPECT_EQ(p.InnerLeft, 6);
  EXPECT_TRUE(p.PerspectiveDone);
  EXPECT_EQ(p.PicWidth, 64);
  // Undo walks back through the sub-scenes: the edit of SubScene 2 is undone on SubScene 2.
  form->UndoAction->trigger();  // entering Region 1
  EXPECT_EQ(form->EnteredRegion(), 2);
  EXPECT_EQ(p.InnerLeft, 3);
  form->UndoAction->trigger();  // SubScene 2's edit
  EXPECT_EQ(p.InnerLeft, 9);
  EXPECT_EQ(p.MeshRegions[2].InnerLeft, 9);
  EXPECT_EQ(p.MeshRegions[1].InnerLeft, 6);
}

TEST_F(MainFormScenesTest, ResizingTheEditedSubSceneCutsThePicturesAgain) {
  auto form = Imported();
  TProject& p = form->Project();
  TNevigatorForm* divider = form->Nevigator();
  divider->resize(400, 360);
  QApplication::processEvents();
  const double scale = divider->DividerScale();
  ASSERT_GT(scale, 0);
  auto d = [scale](int x, int y) {
    return QPoint(static_cast<int>(std::lround(x * scale)),
                  static_cast<int>(std::lround(y * scale)));
  };
  // Region 1's bottom-right corner square lies outside the view window (10, 10, 53, 37).
  QWidget* image = divider->NevImage();
  Mouse(image, QEvent::MouseMove, d(62, 46), Qt::NoButton, Qt::NoButton);
  ASSERT_EQ(divider->DragMode(), DividerDragMode::Resize);
  Drag(image, d(62, 46), d(42, 36) - d(62, 46));
  const TMeshRegion& r = p.MeshRegions[1];
  ASSERT_LT(r.Right, 50);
  EXPECT_EQ(p.PicWidth, r.Right - r.Left + 1);
  EXPECT_EQ(p.PicHeight, r.Bottom - r.Top + 1);
  EXPECT_EQ(form->PanelText(2), QString(" W: %1 H: %2 ").arg(p.PicWidth).arg(p.PicHeight));
  form->UndoAction->trigger();
  EXPECT_EQ(p.MeshRegions[1].Right, 63);
  EXPECT_EQ(p.PicWidth, 64);
}

TEST_F(MainFormScenesTest, EnteringATransition) {
  auto form = Imported();
  TProject& p = form->Project();
  QTest::mouseClick(Find<QToolButton>(form->Nevigator(), "AddSB"), Qt::LeftButton);
  form->ShowPage(5);
  // The status text while the transition's (missing) path is looked for.
  p.MeshRegions[1].TransitionPath = "gone.cam";
  QString statusDuringWarning;
  form->Dialogs().ShowError = [&](QWidget*, const QString&) {
    statusDuringWarning = form->PanelText(4);
  };
  emit TransCB(*form)->activated(1);
  EXPECT_EQ(statusDuringWarning, "Loading global scene (1->2)...");
  EXPECT_EQ(form->PanelText(4), "");
  EXPECT_TRUE(p.TransitionMode);
  EXPECT_EQ(form->EnteredRegion(), 1);
  EXPECT_TRUE(p.SceneMade);
  EXPECT_EQ(TransCB(*form)->currentIndex(), 1);
  EXPECT_TRUE(form->ToolWindowFlag(TMainForm::CameraControl));
  EXPECT_TRUE(form->ToolWindowFlag(TMainForm::Timeline));

  // Item 2 is SubScene 2 itself.
  p.MeshRegions[2].CameraPath = "gone2.cam";
  emit TransCB(*form)->activated(2);
  EXPECT_EQ(statusDuringWarning, "Loading scene 2...");
  EXPECT_FALSE(p.TransitionMode);
  EXPECT_EQ(form->EnteredRegion(), 2);
  EXPECT_EQ(p.PicWidth, 28);
}

// "Make" while a transition is shown builds the sub-scene, and the timeline holds the sub-scene's
// own path again: a later save keeps its link.
TEST_F(MainFormScenesTest, MakeAfterATransitionTakesBackTheSubScenesPath) {
  auto form = Imported();
  TProject& p = form->Project();
  QTest::mouseClick(Find<QToolButton>(form->Nevigator(), "AddSB"), Qt::LeftButton);
  form->ShowPage(5);
  ASSERT_TRUE(form->MakeScene());
  TTimeline& t = form->PathTimeline();
  t.SetNoOfKeyframeEdit("3");
  script.files = {Path("p1.cam")};
  form->SaveCameraPathAction->trigger();
  ASSERT_EQ(p.MeshRegions[1].CameraPath, "p1.cam");

  emit TransCB(*form)->activated(1);
  ASSERT_TRUE(p.TransitionMode);
  EXPECT_EQ(t.KeyCount(), 2);  // the transition's new path
  ASSERT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
  EXPECT_FALSE(p.TransitionMode);
  EXPECT_EQ(p.CurrentRegion, 1);
  EXPECT_EQ(t.KeyCount(), 3);
  EXPECT_EQ(p.CameraPathFile, (dir_ / "p1.cam").string());
  script.files = {Path("t.kov")};
  ASSERT_TRUE(form->SaveProject());
  EXPECT_EQ(std::filesystem::path(p.MeshRegions[1].CameraPath).filename(), "p1.cam");
  EXPECT_TRUE(script.errors.filter("Path file").isEmpty())
      << script.errors.join("\n").toStdString();
}

// An original imported after the mask and the background cuts them out again; one of another
// size is cut at the original's coordinates and a warning names both sizes.
TEST_F(MainFormScenesTest, ImportingTheOriginalLastCutsAllThree) {
  auto form = MakeForm();
  form->show();
  form->NewProject();
  ASSERT_TRUE(form->ImportPicture(1, MakePicture("mask.bmp", 64, 48, 2)));
  ASSERT_TRUE(form->ImportPicture(2, MakePicture("back.bmp", 64, 48, 3)));
  ASSERT_TRUE(form->ImportPicture(0, MakePicture("orig.bmp", 64, 48, 1)));
  const TProject& p = form->Project();
  EXPECT_EQ(p.IMask_r.Width(), 64);
  EXPECT_EQ(p.IBackground_r.Height(), 48);
  EXPECT_FALSE(Find(form.get(), "MaskEditor")->isHidden());  // not "Drag File here"
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();

  ASSERT_TRUE(form->ImportPicture(0, MakePicture("big.bmp", 80, 60, 1)));
  EXPECT_EQ(p.IMask_r.Width(), 80);
  EXPECT_EQ(p.IMask_r.Height(), 60);
  EXPECT_EQ(p.IBackground_r.Width(), 80);
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_EQ(script.errors[0],
            "The mask picture (64 x 48 pixels) is not the size of the original picture (80 x 60 "
            "pixels).\nThe background picture (64 x 48 pixels) is not the size of the original "
            "picture (80 x 60 pixels).");
}

// A new mask or another sub-scene empties the extraction list: "OK" can never put another mask's
// boxes into this sub-scene.
TEST_F(MainFormScenesTest, ExtractionListGoesWithItsMask) {
  const std::vector<std::pair<const char*, std::function<void(TMainForm&)>>> changes = {
      {"mask", [this](TMainForm& f) { ASSERT_TRUE(f.ImportPicture(1, Path("mask.bmp"))); }},
      {"sub-scene",
       [](TMainForm& f) {
         QTest::mouseClick(Find<QToolButton>(f.Nevigator(), "AddSB"), Qt::LeftButton);
         emit MainRegionCB(f)->activated(1);
         ASSERT_EQ(f.EnteredRegion(), 2);
       }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    auto form = Imported();
    form->ShowPage(4);
    QTest::mouseClick(Find<QToolButton>(form.get(), "AutoExtractButton"), Qt::LeftButton);
    app::TToolForm* host = form->FindToolForm("TExtractObjectForm");
    QTest::mouseClick(Find<QPushButton>(host, "ButtonLED1"), Qt::LeftButton);
    ASSERT_EQ(Find<QTreeWidget>(host, "ListView1")->topLevelItemCount(), 2);
    QTest::mouseClick(Find<QPushButton>(host, "CancelButton"), Qt::LeftButton);
    change(*form);
    EXPECT_EQ(Find<QTreeWidget>(host, "ListView1")->topLevelItemCount(), 0);
    EXPECT_FALSE(Find<QPushButton>(host, "OKButton")->isEnabled());
  }
}

// The texture viewer opens when the user picks an item, after an accepted extraction and after a
// project is opened, never by itself on a sub-scene change or an import; before "Make" it shows
// the object cut from the original (negative with "Negative Output") instead of black, and "New"
// empties it.
TEST_F(MainFormScenesTest, TextureViewerOpensWhenAskedAndSaysWhatItShows) {
  auto form = Imported();
  ExtractAndAccept(*form);
  app::TToolForm* viewer = form->ToolForm(TMainForm::Texture);
  auto* picture = Find<QLabel>(viewer, "IfgObj");
  EXPECT_TRUE(viewer->isVisible());
  {
    // Object 1 is the mask's box of columns 8 ... 20, rows 10 ... 30.
    auto* tree = Find<QTreeWidget>(form->ObjectInspector(), "TreeView1");
    const auto found = tree->findItems("Object 1", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    tree->setCurrentItem(found[0]);
    const TFastBMP& cut = form->TextureViewer()->Image();
    EXPECT_EQ(cut.Width(), 13);
    EXPECT_EQ(cut.Height(), 21);
    EXPECT_TRUE(
        Find<QWidget>(viewer, "TextureForm")->windowTitle().startsWith("Picture before Make"));
    EXPECT_FALSE(picture->pixmap().isNull());
    // The cut-out's pixels are the core's (texture view); the window shows the one picked, and
    // its negative with "Negative Output".
    const uint8_t* o = form->Project().IOriginal_r.Pixel(8 + 6, 10 + 10);
    EXPECT_TRUE(std::equal(o, o + 3, cut.Pixel(6, 10)));
    auto* negative = Find<QCheckBox>(form->CameraControlWindow(), "NegativeCheckBox");
    negative->click();
    EXPECT_EQ(cut.Pixel(6, 10)[0], 255 - o[0]);  // blue and green vary along x and y
    EXPECT_EQ(cut.Pixel(6, 10)[1], 255 - o[1]);
    negative->click();
  }
  form->ToggleToolWindow(TMainForm::Texture);
  ASSERT_FALSE(viewer->isVisible());

  QTest::mouseClick(Find<QToolButton>(form->Nevigator(), "AddSB"), Qt::LeftButton);
  emit MainRegionCB(*form)->activated(1);
  emit MainRegionCB(*form)->activated(0);
  ASSERT_TRUE(form->ImportPicture(2, MakePicture("back2.bmp", 64, 48, 4)));
  EXPECT_FALSE(viewer->isVisible());

  ASSERT_TRUE(form->MakeScene());
  auto* tree = Find<QTreeWidget>(form->ObjectInspector(), "TreeView1");
  const auto objects = tree->findItems("Object 1", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(objects.size(), 1);
  tree->setCurrentItem(objects[0]);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_FALSE(picture->pixmap().isNull());
  EXPECT_TRUE(Find<QWidget>(viewer, "TextureForm")->windowTitle().startsWith("Texture("));

  ASSERT_TRUE(form->NewProject());
  EXPECT_TRUE(picture->pixmap().isNull());
  EXPECT_TRUE(picture->text().isEmpty());
}

TEST_F(MainFormScenesTest, MaskedImageWrittenOrCancelled) {
  auto form = Imported();
  const auto out = dir_ / "masked.bmp";
  script.input = QString::fromStdString(out.string());
  form->ExportMaskedAction->trigger();
  EXPECT_EQ(script.questions.last(), "out.bmp");  // the default: the project's folder
  ASSERT_TRUE(std::filesystem::exists(out)) << script.errors.join("\n").toStdString();
  TFastBMP masked;
  LoadPictureFile(out.string(), masked);
  const TProject& p = form->Project();
  ASSERT_EQ(masked.Width(), 64);
  // Inside an object the original, outside it the background.
  EXPECT_TRUE(
      std::equal(masked.Pixel(10, 15), masked.Pixel(10, 15) + 3, p.IOriginal.Pixel(10, 15)));
  EXPECT_TRUE(std::equal(masked.Pixel(2, 2), masked.Pixel(2, 2) + 3, p.IBackground.Pixel(2, 2)));
  std::filesystem::remove(out);
  script.input.reset();
  form->ExportMaskedAction->trigger();
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_TRUE(script.errors.isEmpty());
  // Pictures of different sizes are refused before a name is asked for.
  form->Project().IMask.SetSize(5, 3);
  script.input = QString::fromStdString(out.string());
  const auto asked = script.questions.size();
  form->ExportMaskedAction->trigger();
  EXPECT_EQ(script.errors.size(), 1);
  EXPECT_EQ(script.questions.size(), asked);
  EXPECT_FALSE(std::filesystem::exists(out));
}

// "Make" runs the automatic extraction with the extraction window's settings, as "Extract" and
// "OK" would, and the object page, the inspector and the clear button follow it.
TEST_F(MainFormScenesTest, MakeExtractsWithTheWindowsSettings) {
  struct Case {
    int threshold, minSize;
    bool noSmall;
    int objects;
  };
  // The boxes span 12 x 20 and 20 x 20 pixels (extents), their red byte is 255.
  for (const Case c : {Case{128, 16, true, 2}, Case{255, 16, true, 0}, Case{128, 25, true, 0},
                       Case{128, 25, false, 2}}) {
    SCOPED_TRACE(::testing::Message() << c.threshold << " " << c.minSize << " " << c.noSmall);
    auto form = Imported();
    app::TToolForm* host = form->FindToolForm("TExtractObjectForm");
    Find<QSlider>(host, "ThresholdBar")->setValue(c.threshold);
    Find<QSlider>(host, "TrackBar1")->setValue(c.minSize);
    Find<QCheckBox>(host, "NoSmallCheckBox")->setChecked(c.noSmall);
    ASSERT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
    EXPECT_EQ(form->Project().fgObjCount(), c.objects);
    EXPECT_EQ(Boxes(*form), c.objects);
    EXPECT_EQ(Foreground(*form).filter("Object").size(), c.objects);
    EXPECT_EQ(Find(form.get(), "ClearObjectsButton")->isEnabled(), c.objects > 0);
  }
}

// With "Overwrite Old Object Positions" clear, a box edited in the inspector survives the
// extraction that "Make" runs after a new mask.
TEST_F(MainFormScenesTest, MakeKeepsEditedBoxesWithoutOverwrite) {
  for (const bool overwrite : {false, true}) {
    auto form = Imported();
    TProject& p = form->Project();
    ExtractAndAccept(*form);
    auto* grid = Find<QTableWidget>(form->ObjectInspector(), "InfoGrid");
    grid->item(1, 1)->setText("30");  // "Left" of the last object
    ASSERT_EQ(p.fgObjs[1].X1, 30);
    ASSERT_TRUE(form->ImportPicture(1, Path("mask.bmp")));
    Find<QCheckBox>(form->FindToolForm("TExtractObjectForm"), "OverwritePosCB")
        ->setChecked(overwrite);
    ASSERT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
    ASSERT_EQ(p.fgObjCount(), 2);
    EXPECT_EQ(p.fgObjs[1].X1, overwrite ? 35 : 30);
    EXPECT_EQ(grid->item(1, 1)->text(), overwrite ? "35" : "30");
  }
}

}  // namespace
}  // namespace glkov::testing
