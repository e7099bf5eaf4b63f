// The 3D page, the timeline, the export window and the player driven through the main window
// with the sample room. The OpenGL parts run only under a display (xvfb-run -a); on the offscreen
// platform the view is a placeholder and everything else is still checked.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <filesystem>

#include "app/avi_info_form.h"
#include "app/avi_player_form.h"
#include "app/camera_control_form.h"
#include "app/camera_values_form.h"
#include "app/gl_panel.h"
#include "app/inspector_form.h"
#include "app/output_avi_form.h"
#include "app/rendering_form.h"
#include "app/texture_form.h"
#include "app/timeline_form.h"
#include "core/animation/camera_path_file.h"
#include "core/scene/camera.h"
#include "core/util/text_format.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using MainFormView3DTest = GuiTest;

TEST_F(MainFormView3DTest, MakeShowsTheSceneAndTheCameraWindows) {
  auto form = OpenRoom();
  TProject& p = form->Project();
  ASSERT_FALSE(p.SceneMade);
  // The camera windows' buttons wait for the scene.
  EXPECT_FALSE(Find<QToolButton>(form.get(), "ControlToolButton")->isEnabled());
  EXPECT_FALSE(form->ToggleAction[app::TMainForm::Timeline]->isEnabled());
  Find<QToolButton>(form.get(), "RenderToolButton")->click();
  ASSERT_TRUE(p.SceneMade) << script.errors.join("\n").toStdString();
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  // The camera stands at the photograph's eye and the values window shows it.
  EXPECT_TRUE(form->CameraValuesWindow()->isVisible());
  EXPECT_EQ(form->CameraValuesWindow()->Cell(0, 1).toStdString(), FormatG15(p.EyeHeight));
  EXPECT_EQ(form->CameraValuesWindow()->Cell(1, 2), "-1");
  // Make opens the camera control and the timeline through their toggles.
  EXPECT_TRUE(form->ToolWindowFlag(app::TMainForm::Timeline));
  EXPECT_TRUE(form->CameraControlWindow()->isVisible());
  EXPECT_TRUE(form->TimelineWindow()->isVisible());
  EXPECT_TRUE(Find<QWidget>(form.get(), "ControlToolButton")->isEnabled());

  if (!HasDisplay()) GTEST_SKIP() << "OpenGL parts need a display (xvfb-run -a)";
  app::GLPanel* view = form->View3D();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isVisible());
  QApplication::processEvents();
  view->grabFramebuffer();
  EXPECT_TRUE(view->LastError().empty()) << view->LastError();

  // Mouse navigation by the table's amounts: 10 pixels right moves x by -10 / SceneScale.
  const TCamera start = p.Camera;
  const QPoint centre = view->rect().center();
  Drag(view, centre, {10, 0});
  EXPECT_NEAR(p.Camera.CamPos.x, start.CamPos.x - 10 / p.SceneScale, 1e-12);
  EXPECT_EQ(form->CameraValuesWindow()->Cell(0, 0).toStdString(), FormatG15(p.Camera.CamPos.x));
  // "Revert Position" (where to is the core's).
  Find<QToolButton>(form.get(), "RevertToolButton")->click();
  EXPECT_EQ(p.Camera, start);
}

TEST_F(MainFormView3DTest, KeyEditsAreUndoableAndPathsSaveAndLoad) {
  auto form = OpenRoom();
  form->MakeScene();
  TTimeline& t = form->PathTimeline();
  ASSERT_EQ(t.KeyCount(), 4);  // the sample's path
  app::TTimelineForm* tl = form->TimelineWindow();
  EXPECT_EQ(tl->windowTitle(), "Animation Path - [" + Path("room.cam") + "]");
  QUndoStack* undo = form->UndoStack();
  const int undoBase = undo->count();

  // A key recorded through the timeline window and a new key count: each one undo step of the
  // main window.
  const std::vector<TKeyFrame> original = t.KeyFrames();
  auto* current = Find<QLineEdit>(tl, "CurrentFrameEdit");
  current->setText("2");
  emit current->editingFinished();
  ASSERT_EQ(t.CurrentKey(), 2);
  auto* record = Find<QToolButton>(tl, "RecordCurrentFrame");
  record->click();  // the sample's key 2 is recorded: this clears it
  EXPECT_FALSE(t.KeyFrames()[1].Recorded);
  auto* count = Find<QLineEdit>(tl, "NoOfKeyframeEdit");
  count->setText("6");
  emit count->editingFinished();
  EXPECT_EQ(t.KeyCount(), 6);
  ASSERT_EQ(undo->count(), undoBase + 2);
  form->UndoAction->trigger();
  EXPECT_EQ(t.KeyCount(), 4);
  EXPECT_EQ(count->text(), "4");
  form->UndoAction->trigger();
  EXPECT_EQ(t.KeyFrames(), original);
  form->RedoAction->trigger();
  form->RedoAction->trigger();
  EXPECT_FALSE(t.KeyFrames()[1].Recorded);
  EXPECT_EQ(t.KeyCount(), 6);

  // "Save Camera Path..." and "Load Camera Path..." from the menu.
  script.files = {Path("flight.cam")};
  form->SaveCameraPathAction->trigger();
  ASSERT_TRUE(std::filesystem::exists(dir_ / "flight.cam"));
  EXPECT_EQ(tl->windowTitle(), QString("Animation Path - [%1]").arg(Path("flight.cam")));
  EXPECT_EQ(form->Project().MeshRegions[1].CameraPath, "flight.cam");
  EXPECT_TRUE(form->Project().Modified);
  script.files = {Path("room.cam")};
  form->LoadCameraPathAction->trigger();
  EXPECT_EQ(t.KeyCount(), 4);
  EXPECT_EQ(t.KeyFrames(), original);
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
}

// Recorded keys that were never saved are offered for saving before entering a sub-scene, opening
// a project, "New" and closing: Cancel keeps them, No drops them, Yes saves them as "Save Camera
// Path..." does.
TEST_F(MainFormView3DTest, UnsavedKeysAreOfferedForSaving) {
  OpenRoom();
  const std::vector<std::pair<const char*, std::function<void(app::TMainForm&)>>> commands = {
      {"enter",
       [](app::TMainForm& f) {
         emit Find<QWidget>(&f, "RegionCBPanel")->findChild<QComboBox*>("RegionCB")->activated(0);
       }},
      {"open", [this](app::TMainForm& f) { f.OpenProjectFile(Path("room.kov")); }},
      {"new", [](app::TMainForm& f) { f.NewAction->trigger(); }},
      {"close", [](app::TMainForm& f) { f.close(); }},
  };
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    script = {};
    auto form = MakeForm();
    form->show();
    ASSERT_TRUE(form->OpenProjectFile(Path("room.kov")));
    TTimeline& t = form->PathTimeline();
    const std::vector<TKeyFrame> original = t.KeyFrames();
    Find<QToolButton>(form->TimelineWindow(), "RecordCurrentFrame")->click();  // clears key 1
    ASSERT_NE(t.KeyFrames(), original);

    script.cancels = 1;
    command(*form);
    EXPECT_EQ(script.questions, QStringList({"Save changes to the camera path?"}));
    EXPECT_NE(t.KeyFrames(), original);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Project().OriginalLoaded);

    script.answers = {false};
    command(*form);
    EXPECT_EQ(script.questions.size(), 2);
    if (name == std::string("enter") || name == std::string("open")) {
      EXPECT_EQ(t.KeyFrames(), original);  // the file's path again
    } else {
      EXPECT_EQ(t.KeyFrames().size(), 2u);  // a new path
    }
    EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  }

  // Yes saves the path under the name asked for, and the command goes on.
  script = {};
  auto form = MakeForm();
  ASSERT_TRUE(form->OpenProjectFile(Path("room.kov")));
  TTimeline& t = form->PathTimeline();
  Find<QSpinBox>(form->TimelineWindow(), "FPSEdit")->setValue(25);  // the rates count too
  script.answers = {true, false};  // save the path, not the project
  script.files = {Path("kept.cam")};
  ASSERT_TRUE(form->NewProject());
  EXPECT_EQ(script.questions,
            QStringList({"Save changes to the camera path?", "Save project before proceeding?"}));
  TTimeline kept(form->Project());
  LoadCameraPathFile(kept, (dir_ / "kept.cam").string());
  EXPECT_EQ(kept.FPS, 25);
  EXPECT_EQ(t.KeyCount(), 2);
}

// An edit of the mesh or of an object after "Make", or its undo, leaves the scene not made, and
// the 3D page says so until "Make".
TEST_F(MainFormView3DTest, EditsAfterMakeAskForMakeAgain) {
  auto form = OpenRoom();
  TProject& p = form->Project();
  auto* note = Find<QLabel>(form.get(), "SceneNotMadeLabel");
  form->SetPerspectiveDone(false);
  ASSERT_TRUE(form->MakeScene());
  EXPECT_FALSE(note->isVisible());
  form->UndoAction->trigger();  // the mesh edit
  EXPECT_FALSE(p.SceneMade);
  EXPECT_TRUE(note->isVisible());
  ASSERT_TRUE(form->MakeScene());
  EXPECT_FALSE(note->isVisible());
  form->RedoAction->trigger();
  EXPECT_FALSE(p.SceneMade);

  ASSERT_TRUE(form->MakeScene());
  auto* grid = Find<QTableWidget>(form->ObjectInspector(), "InfoGrid");
  ASSERT_FALSE(grid->item(1, 1)->text().isEmpty());
  grid->item(1, 1)->setText(QString::number(grid->item(1, 1)->text().toInt() + 3));
  EXPECT_FALSE(p.SceneMade);
  EXPECT_TRUE(note->isVisible());
  ASSERT_TRUE(form->MakeScene());
  form->UndoAction->trigger();  // the object edit
  EXPECT_FALSE(p.SceneMade);
  EXPECT_TRUE(note->isVisible());
}

TEST_F(MainFormView3DTest, ExportFromTheWindowAndPlayTheMovie) {
  auto form = OpenRoom();
  form->MakeScene();
  const TCamera camera = form->Project().Camera;
  form->ExportAnimationAction->trigger();
  app::TOutputAVIForm* out = form->OutputWindow();
  ASSERT_TRUE(out->isVisible());
  Find<QSpinBox>(out, "WidthEdit")->setValue(64);
  Find<QSpinBox>(out, "HeightEdit")->setValue(48);

  // "More Options..." runs the advanced options through the main window's dialogs; the
  // "Anti-aliasing" chosen there is the 3D view's too.
  const int execs = script.execs;
  form->OutputOptions().Samples = 1;
  Find<QPushButton>(out, "Button1")->click();
  EXPECT_EQ(script.execs, execs + 1);
  if (HasDisplay()) {
    form->View3D()->grabFramebuffer();
    EXPECT_EQ(form->View3D()->Samples(), 1);  // "Off" (the default draws with 4)
  }

  int frames = 0;
  QObject::connect(out, &app::TOutputAVIForm::FrameRendered, out, [&](const QImage& frame) {
    EXPECT_EQ(frame.size(), QSize(64, 48));
    ++frames;
  });
  script.files = {Path("movie.avi")};
  Find<QPushButton>(out, "OutputButtonLED")->click();
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  ASSERT_TRUE(std::filesystem::exists(dir_ / "movie.avi"));
  EXPECT_EQ(frames, 181);
  EXPECT_FALSE(out->isVisible());
  // The main window has its own scene and camera back.
  EXPECT_TRUE(form->Project().SceneMade);
  EXPECT_EQ(form->Project().Camera.CamPos.z, camera.CamPos.z);
  EXPECT_EQ(form->PathTimeline().KeyCount(), 4);

  // "Load Player after Generating" shows the movie in the player.
  app::TAVIPlayerForm* player = form->PlayerWindow();
  ASSERT_TRUE(player->isVisible());
  EXPECT_EQ(player->FileName(), Path("movie.avi"));
  EXPECT_EQ(player->FrameCount(), 181);

  // Without "Load Player after Generating" the player gets the movie without being shown.
  player->close();
  form->ExportAnimationAction->trigger();
  Find<QCheckBox>(out, "CheckBox1")->setChecked(false);
  Find<QSpinBox>(out, "WidthEdit")->setValue(64);
  Find<QSpinBox>(out, "HeightEdit")->setValue(48);
  script.files = {Path("quiet.avi")};
  Find<QPushButton>(out, "OutputButtonLED")->click();
  ASSERT_TRUE(std::filesystem::exists(dir_ / "quiet.avi"));
  EXPECT_FALSE(player->isVisible());
  EXPECT_EQ(player->FileName(), Path("quiet.avi"));

  // "Play File..." asks for a movie and plays it.
  script.files = {Path("movie.avi")};
  form->PlayFileAction->trigger();
  EXPECT_TRUE(player->isVisible());
  EXPECT_EQ(script.fileTitles.last(), "Open AVI File");
  EXPECT_EQ(script.fileParents.back(), player);  // in front of the player, not behind it
}

TEST_F(MainFormView3DTest, ExportRefusesWithoutAUsablePath) {
  auto form = OpenRoom();
  form->Project().MeshRegions[1].CameraPath.clear();
  form->Project().CameraPathFile.clear();
  form->ExportAnimationAction->trigger();
  script.files = {Path("none.avi")};
  Find<QPushButton>(form->OutputWindow(), "OutputButtonLED")->click();
  // What is missing is said before a file name is asked for.
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].startsWith("Nothing to export")) << script.errors[0].toStdString();
  EXPECT_FALSE(script.fileTitles.contains("Output Movie"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "none.avi"));
}

// "Negative Output" reaches the planes "Make" builds (the inverted texels themselves are the
// scene builder's): the texture viewer shows the floor's negative.
TEST_F(MainFormView3DTest, NegativeOutputShowsNegativesInTheTextureViewer) {
  if (!HasDisplay()) GTEST_SKIP() << "textures are uploaded by the OpenGL view (xvfb-run -a)";
  auto form = OpenRoom();
  auto* tree = Find<QTreeWidget>(form->ObjectInspector(), "TreeView1");
  auto floorView = [&] {
    form->MakeScene();
    form->View3D()->grabFramebuffer();  // draws, and so uploads the textures
    tree->setCurrentItem(nullptr);
    tree->setCurrentItem(tree->topLevelItem(0)->child(0)->child(0));
    return form->TextureViewer()->Image().PackedPixels();
  };
  const std::vector<uint8_t> positive = floorView();
  Find<QCheckBox>(form->CameraControlWindow(), "NegativeCheckBox")->click();
  const std::vector<uint8_t> negative = floorView();
  ASSERT_EQ(negative.size(), positive.size());
  size_t mismatches = 0, black = 0;
  for (size_t i = 0; i < positive.size(); ++i) {
    const bool none = positive[i] == 0 && negative[i] == 0;  // texels the picture does not reach
    black += none;
    mismatches += !none && positive[i] + negative[i] != 255;
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_LT(black, positive.size() / 10);
}

}  // namespace
}  // namespace glkov::testing
