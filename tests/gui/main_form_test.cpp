#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QUrl>
#include <filesystem>

#include "app/picture_view.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "core/config/file_type.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

QTreeWidgetItem* StepItem(TMainForm& form, const QString& caption) {
  auto* tree = form.findChild<QTreeWidget*>("OutBar1");
  const auto items = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
  return items.isEmpty() ? nullptr : items.first();
}

class MainFormTest : public GuiTest {};

TEST_F(MainFormTest, StartUpWithoutAProject) {
  auto form = MakeForm();
  EXPECT_EQ(form->windowTitle(), "glKOV");
  for (const char* cls : {"TTextureForm", "TTimelineForm", "TInspectorForm", "TNevigatorForm"}) {
    ASSERT_NE(form->FindToolForm(cls), nullptr) << cls;
    EXPECT_FALSE(form->FindToolForm(cls)->isVisible()) << cls;
  }
  // No project: the work area is hidden and the project commands are off.
  EXPECT_FALSE(Find(form.get(), "PageControl")->isVisibleTo(form.get()));
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_FALSE(form->CloseAction->isEnabled());
  EXPECT_TRUE(form->NewAction->isEnabled());
}

TEST_F(MainFormTest, NewProjectThenSaveAsksForAName) {
  auto form = MakeForm();
  ASSERT_TRUE(form->NewProject());
  EXPECT_EQ(form->windowTitle(), "glKOV - [Untitled]");
  EXPECT_TRUE(form->SaveAction->isEnabled());
  EXPECT_TRUE(form->SaveAsAction->isEnabled());
  EXPECT_TRUE(form->CloseAction->isEnabled());
  EXPECT_TRUE(form->ImportMenu->menuAction()->isEnabled());
  EXPECT_TRUE(form->StepbarAction->isEnabled());
  EXPECT_TRUE(Find(form.get(), "PageControl")->isVisibleTo(form.get()));
  EXPECT_EQ(form->CurrentPage(), 0);
  EXPECT_TRUE(form->ToolWindowFlag(TMainForm::SceneDivider));
  EXPECT_TRUE(form->ToolForm(TMainForm::SceneDivider)->isVisible());
  // Save without a name shows the save dialog; cancelling it saves nothing.
  EXPECT_FALSE(form->SaveProject());
  EXPECT_EQ(script.fileTitles, QStringList({"Save KOV Project"}));
}

TEST_F(MainFormTest, CloseProjectResetsTheWindow) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  ASSERT_TRUE(form->CloseProject());
  EXPECT_EQ(form->windowTitle(), "glKOV");
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_FALSE(form->CloseAction->isEnabled());
  EXPECT_FALSE(form->StepbarAction->isEnabled());
  EXPECT_FALSE(form->ShowWindowMenu->menuAction()->isEnabled());
  EXPECT_EQ(form->Layout().FitScale, 1.0);
  EXPECT_EQ(form->PanelText(1), "");
  EXPECT_TRUE(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text().isEmpty());
  EXPECT_FALSE(form->Project().OriginalLoaded);
  EXPECT_EQ(form->UndoStack()->count(), 0);
  EXPECT_TRUE(StepItem(*form, "Sub-Scenes Perspective")->isDisabled());
  EXPECT_FALSE(form->ToolForm(TMainForm::SceneDivider)->isVisible());
}

TEST_F(MainFormTest, SavePromptWhenModified) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  ASSERT_TRUE(form->Project().Modified);
  script.answers = {false};
  ASSERT_TRUE(form->CloseProject());
  EXPECT_EQ(script.questions, QStringList({"Save project before proceeding?"}));
  EXPECT_EQ(script.questionTitles, QStringList({"Comfirmation"}));
}

// Cancel (also Escape and the close box) stops New, Open, closing the program and the tutorial
// and keeps the project; No goes on without saving; a Yes whose save is cancelled stops too.
TEST_F(MainFormTest, SaveQuestionCancelKeepsTheProject) {
  const std::vector<std::pair<const char*, std::function<void(TMainForm&)>>> commands = {
      {"New", [](TMainForm& f) { f.NewAction->trigger(); }},
      {"Open", [this](TMainForm& f) { f.OpenProjectFile(MakePicture("not-a-project.bmp", 4, 4)); }},
      {"Close", [](TMainForm& f) { f.close(); }},
      {"Tutorial", [](TMainForm& f) { f.TutorialAction->trigger(); }},
  };
  for (const auto& [name, command] : commands) {
    SCOPED_TRACE(name);
    script = {};
    auto form = MakeForm();
    form->show();
    form->NewProject();
    ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 64, 48)));
    script.cancels = 1;
    command(*form);
    EXPECT_EQ(script.questions, QStringList({"Save project before proceeding?"}));
    EXPECT_TRUE(form->Project().OriginalLoaded);
    EXPECT_TRUE(form->Project().Modified);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(script.infos.isEmpty());  // the tutorial did not start
    // Yes, then the file dialog cancelled: still nothing lost.
    script.answers = {true};
    command(*form);
    EXPECT_TRUE(form->Project().OriginalLoaded);
    EXPECT_TRUE(form->Project().Modified);
    // No: the command goes on and the project counts as handled.
    script.answers = {false};
    command(*form);
    EXPECT_FALSE(form->Project().Modified);
  }
}

TEST_F(MainFormTest, FailedSaveKeepsTheProjectOpen) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  form->Project().ProjectFileName = (dir_ / "no-such-folder" / "p.kov").string();
  script.answers = {true};  // save first
  EXPECT_FALSE(form->CloseProject());
  EXPECT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(form->Project().OriginalLoaded);
  EXPECT_TRUE(form->Project().Modified);
  EXPECT_EQ(form->windowTitle(), "glKOV - [Untitled*]");
  // The same for New and for closing the window.
  script.answers = {true};
  EXPECT_FALSE(form->NewProject());
  EXPECT_TRUE(form->Project().OriginalLoaded);
  form->show();
  script.answers = {true};
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  script.answers = {false};
  EXPECT_TRUE(form->close());
}

TEST_F(MainFormTest, ImportOriginalSetsSizeAndSubScenes) {
  auto form = MakeForm();
  form->NewProject();
  ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 640, 480)));
  const TProject& p = form->Project();
  EXPECT_EQ(p.PicWidth, 640);
  EXPECT_EQ(p.PicHeight, 480);
  ASSERT_EQ(p.MeshRegions.size(), 2u);
  EXPECT_EQ(p.MeshRegions[1].Name, "Region 1");
  EXPECT_EQ(p.MeshRegions[1].Left, 0);
  EXPECT_EQ(p.MeshRegions[1].Top, 0);
  EXPECT_EQ(p.MeshRegions[1].Right, 639);
  EXPECT_EQ(p.MeshRegions[1].Bottom, 479);
  EXPECT_EQ(Find<QComboBox>(form.get(), "RegionCB")->currentText(), "Region 1");
  EXPECT_FALSE(StepItem(*form, "Sub-Scenes Perspective")->isDisabled());
  EXPECT_FALSE(StepItem(*form, "Subs-Scenes")->isDisabled());
  EXPECT_TRUE(StepItem(*form, "Foreground Objects")->isDisabled());
  EXPECT_TRUE(Find(form.get(), "IOriginal_r")->isVisibleTo(form.get()));
  EXPECT_FALSE(Find(form.get(), "OriginalPanel")->isVisibleTo(form.get()));
  EXPECT_EQ(form->PanelText(2), " W: 640 H: 480 ");
}

TEST_F(MainFormTest, ImportByEnterInTheMaskBox) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  const QString mask = MakePicture("mask.bmp", 64, 48, 3);
  auto* edit = Find<QLineEdit>(form.get(), "MaskFilenameEdit");
  edit->setText(mask);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(form->Project().MaskFilename, mask.toStdString());
  EXPECT_EQ(form->Project().IMask_r.Width(), 64);
  EXPECT_FALSE(StepItem(*form, "Foreground Objects")->isDisabled());
  // With an original the mask page is the mask's editor.
  EXPECT_FALSE(Find(form.get(), "MaskEditor")->isHidden());
  EXPECT_TRUE(Find(form.get(), "MaskPanel")->isHidden());
}

TEST_F(MainFormTest, ImportByDrop) {
  auto form = MakeForm();
  form->NewProject();
  const QString file = MakePicture("dropped.bmp", 80, 60);
  auto* panel = Find(form.get(), "OriginalPanel");
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(file)});
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(panel)->event(&drop);
  EXPECT_EQ(form->Project().PicWidth, 80);
  EXPECT_EQ(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text(), file);
  // A drop on the background's file-name box.
  const QString back = MakePicture("back.bmp", 80, 60, 1);
  QMimeData mime2;
  mime2.setUrls({QUrl::fromLocalFile(back)});
  QDropEvent drop2(QPointF(5, 5), Qt::CopyAction, &mime2, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(Find(form.get(), "BackgroundFilenameEdit"))->event(&drop2);
  EXPECT_EQ(form->Project().BackgroundFilename, back.toStdString());
}

TEST_F(MainFormTest, BadPictureShowsTheErrorAndKeepsThePicture) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  const auto bad = dir_ / "bad.bmp";
  WriteFile(bad, "BM not a picture");
  EXPECT_FALSE(form->ImportPicture(0, QString::fromStdString(bad.string())));
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("bad.bmp")) << script.errors[0].toStdString();
  EXPECT_EQ(form->Project().PicWidth, 64);
  EXPECT_EQ(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text().toStdString(), bad.string());
}

TEST_F(MainFormTest, ImportAllAsksForThreePictures) {
  auto form = MakeForm();
  form->NewProject();
  script.files = {MakePicture("o.bmp", 30, 20), MakePicture("m.bmp", 30, 20, 1),
                  MakePicture("b.bmp", 30, 20, 2)};
  form->ImportAllAction->trigger();
  EXPECT_EQ(script.fileTitles,
            QStringList({"Open Original Picture", "Open Object Mask", "Open Background Picture"}));
  EXPECT_FALSE(form->Project().BackgroundFilename.empty());
  EXPECT_TRUE(form->SaveAction->isEnabled());
}

TEST_F(MainFormTest, PictureDialogsListEveryKindReadAndStartInTheProjectFolder) {
  auto form = MakeForm();
  form->NewProject();
  // A PNG picture through the dialog of a new project, which starts in the user's pictures.
  const QString png = QString::fromStdString((dir_ / "o.png").string());
  ASSERT_TRUE(QImage(QImage(MakePicture("o.bmp", 30, 20))).save(png));
  script.files = {png};
  form->ImportOriginalAction->trigger();
  EXPECT_EQ(form->Project().PicWidth, 30) << script.errors.join("\n").toStdString();
  ASSERT_EQ(script.fileDirs.size(), 1);
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  EXPECT_TRUE(script.fileDirs[0] == pictures || script.fileDirs[0] == QDir::homePath())
      << script.fileDirs[0].toStdString();
  const QString all = script.fileFilters[0].section(";;", 0, 0);
  for (const char* pattern : {"*.jpg", "*.jpeg", "*.bmp", "*.png", "*.gif"})
    EXPECT_TRUE(all.contains(pattern)) << pattern << " in " << all.toStdString();
  // Once saved, a picture not yet imported is looked for in the project's folder.
  std::filesystem::create_directories(dir_ / "project");
  script.files = {QString::fromStdString((dir_ / "project" / "p.kov").string())};
  ASSERT_TRUE(form->SaveProjectAs());
  form->ImportMaskAction->trigger();
  EXPECT_EQ(QDir(script.fileDirs.last()),
            QDir(QString::fromStdString((dir_ / "project").string())));
  // A picture being replaced: its own folder.
  form->ImportOriginalAction->trigger();
  EXPECT_EQ(QDir(script.fileDirs.last()), QDir(QString::fromStdString(dir_.path().string())));
}

TEST_F(MainFormTest, PageUpAndPageDown) {
  auto form = MakeForm();
  form->NewProject();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto* tabs = Find<QTabWidget>(form.get(), "PageControl");
  EXPECT_EQ(form->CurrentPage(), 0);
  EXPECT_FALSE(Find(form.get(), "PanelUp")->isVisibleTo(form.get()));
  QTest::keyClick(form.get(), Qt::Key_PageUp);
  EXPECT_EQ(form->CurrentPage(), 0);
  for (int i = 1; i <= 6; ++i) {
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    EXPECT_EQ(form->CurrentPage(), std::min(i, 5));
  }
  EXPECT_FALSE(Find(form.get(), "PanelDown")->isVisibleTo(form.get()));
  EXPECT_TRUE(Find(form.get(), "PanelUp")->isVisibleTo(form.get()));
  // Only the current page's tab shows.
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->isTabVisible(i), i == 5) << i;
  QTest::mouseClick(Find(form.get(), "ButtonLEDUp"), Qt::LeftButton);
  EXPECT_EQ(form->CurrentPage(), 4);
  EXPECT_EQ(tabs->tabText(4), "Foreground Objects");
  // The sub-scene list travels with the arrows onto pages 3 and 4.
  EXPECT_EQ(Find(form.get(), "RegionCBPanel")->parentWidget(),
            Find(form.get(), "PanelUp")->parentWidget());
}

TEST_F(MainFormTest, StepBarShowsPagesAndHighlightsTheOneShown) {
  auto form = MakeForm();
  form->show();
  auto* tree = Find<QTreeWidget>(form.get(), "OutBar1");
  auto current = [&] { return tree->currentItem() ? tree->currentItem()->text(0) : QString(); };
  EXPECT_EQ(current(), "Original Picture");  // at start-up
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  form->ImportPicture(1, MakePicture("m.bmp", 64, 48, 2));
  QApplication::processEvents();
  auto click = [&](const QString& caption) {
    QTreeWidgetItem* item = StepItem(*form, caption);
    ASSERT_NE(item, nullptr) << caption.toStdString();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
  };
  Find<QToolButton>(form.get(), "ButtonLEDDown")->click();  // the Next arrow
  EXPECT_EQ(form->CurrentPage(), 1);
  EXPECT_EQ(current(), "Object Mask");
  click("Sub-Scenes Perspective");
  EXPECT_EQ(form->CurrentPage(), 3);
  EXPECT_EQ(current(), "Sub-Scenes Perspective");
  // Items that open a window and the group captions leave the page and its highlight.
  for (const char* caption : {"Subs-Scenes", "Step 3: Settings", "Internal Player"}) {
    click(caption);
    EXPECT_EQ(form->CurrentPage(), 3) << caption;
    EXPECT_EQ(current(), "Sub-Scenes Perspective") << caption;
  }
  form->ShowPage(4);  // as Page Down does
  EXPECT_EQ(current(), "Foreground Objects");
  click("Object Mask");
  EXPECT_EQ(form->CurrentPage(), 1);
  EXPECT_EQ(current(), "Object Mask");
}

TEST_F(MainFormTest, ToolWindowsClosedAnyWayClearTheirFlags) {
  auto form = MakeForm();
  form->NewProject();
  form->show();
  for (int i = 0; i < TMainForm::ToolWindowCount; ++i) {
    const auto w = static_cast<TMainForm::ToolWindow>(i);
    if (!form->ToolWindowFlag(w)) form->ToggleToolWindow(w);
    ASSERT_TRUE(form->ToolForm(w)->isVisible()) << i;
    // The window's own close box: the flag and the button follow, and one toggle shows it again.
    form->ToolForm(w)->close();
    EXPECT_FALSE(form->ToolWindowFlag(w)) << i;
    EXPECT_FALSE(form->ToggleAction[w]->isChecked()) << i;
    form->ToggleToolWindow(w);
    EXPECT_TRUE(form->ToolForm(w)->isVisible()) << i;
    EXPECT_TRUE(form->ToggleAction[w]->isChecked()) << i;
  }
  // Leaving the program hides the windows and keeps their flags; coming back shows them.
  emit qApp->applicationStateChanged(Qt::ApplicationInactive);
  EXPECT_FALSE(form->ToolForm(TMainForm::Timeline)->isVisible());
  EXPECT_TRUE(form->ToolWindowFlag(TMainForm::Timeline));
  emit qApp->applicationStateChanged(Qt::ApplicationActive);
  EXPECT_TRUE(form->ToolForm(TMainForm::Timeline)->isVisible());
  EXPECT_TRUE(form->ToolForm(TMainForm::Texture)->isVisible());
}

TEST_F(MainFormTest, ToolWindowsOpenInsideTheScreen) {
  auto form = MakeForm();
  form->NewProject();
  form->show();
  for (const char* cls : {"TTextureForm", "TTimelineForm", "TInspectorForm", "TNevigatorForm",
                          "TCameraControlForm", "TExtractObjectForm", "TAVIPlayerForm"}) {
    app::TToolForm* w = form->FindToolForm(cls);
    ASSERT_NE(w, nullptr) << cls;
    const QRect screen = w->screen()->availableGeometry();
    // Placed partly beside the screen, then too large for it: each opening brings it back.
    for (const QRect placed : {QRect(screen.right() - 40, screen.bottom() - 30, 300, 200),
                               QRect(-100, 10, screen.width() + 300, 200)}) {
      w->hide();
      w->setGeometry(placed);
      w->show();
      QApplication::processEvents();
      EXPECT_TRUE(screen.contains(w->frameGeometry()))
          << cls << ": " << w->frameGeometry().x() << "," << w->frameGeometry().y() << " "
          << w->frameGeometry().width() << "x" << w->frameGeometry().height();
    }
  }
}

TEST_F(MainFormTest, CameraAndInspectorTogglesWaitForASceneAndObjects) {
  auto form = MakeForm();
  form->NewProject();
  ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 64, 48)));
  const struct {
    TMainForm::ToolWindow window;
    const char* button;  // on the object or the 3D page; "" for none
    bool enabled;
  } toggles[] = {{TMainForm::Timeline, "TimelineToolButton", false},
                 {TMainForm::CameraControl, "ControlToolButton", false},
                 {TMainForm::Inspector, "InspectorToolButton", false},
                 {TMainForm::Texture, "", true},
                 {TMainForm::SceneDivider, "", true}};
  for (const auto& t : toggles) {
    EXPECT_EQ(form->ToggleAction[t.window]->isEnabled(), t.enabled) << t.window;
    if (*t.button) {
      EXPECT_EQ(Find(form.get(), t.button)->isEnabled(), t.enabled) << t.button;
    }
  }
}

TEST_F(MainFormTest, StickyMove) {
  auto form = MakeForm();
  form->NewProject();
  form->move(100, 100);
  form->show();
  QApplication::processEvents();
  form->ToggleAction[TMainForm::Timeline]->trigger();
  form->ToggleAction[TMainForm::CameraControl]->trigger();
  auto* timeline = form->ToolForm(TMainForm::Timeline);
  auto* control = form->ToolForm(TMainForm::CameraControl);
  timeline->move(400, 300);
  control->move(50, 60);
  QApplication::processEvents();
  form->StickyAction->setChecked(true);
  const QPoint t0 = timeline->pos(), c0 = control->pos();
  form->move(form->pos() + QPoint(30, -10));
  QApplication::processEvents();
  EXPECT_EQ(timeline->pos(), t0 + QPoint(30, -10));
  EXPECT_EQ(control->pos(), c0 + QPoint(30, -10));
  form->StickyAction->setChecked(false);
  form->move(form->pos() + QPoint(5, 5));
  QApplication::processEvents();
  EXPECT_EQ(timeline->pos(), t0 + QPoint(30, -10));
}

TEST_F(MainFormTest, SettingsWrittenAndReadBack) {
  {
    auto form = MakeForm();
    form->StickyAction->setChecked(true);
    form->resize(900, 650);
    form->ToolForm(TMainForm::Inspector)->move(123, 77);
    form->ToolForm(TMainForm::Inspector)->resize(300, 222);
    form->StoreSettings();
  }
  const auto ini = dir_ / "config" / "glKOV.INI";
  ASSERT_TRUE(std::filesystem::exists(ini));
  const IniFile s = IniFile::Load(ini);
  EXPECT_EQ(s.Value("Setting", "StickyFormTB.Down", ""), "1");
  EXPECT_TRUE(s.Value("Setting", "ToolBarIcon.Top"));
  EXPECT_TRUE(s.Value("Setting", "ToolBarMenu.Left"));
  EXPECT_EQ(s.IntValue("Setting", "Width", 0), 900);
  EXPECT_EQ(s.IntValue("Object Inspector", "Height", 0), 222);
  const auto sections = s.Sections();
  for (const char* section : {"TCameraControlForm", "Object Extraction", "Advanced Options",
                              "TTextureForm", "TTimelineForm", "TNevigatorForm"})
    EXPECT_NE(std::find(sections.begin(), sections.end(), section), sections.end()) << section;
  auto again = std::make_unique<TMainForm>(TMainForm::Options{}, Dialogs());
  EXPECT_TRUE(again->StickyAction->isChecked());
  EXPECT_EQ(again->width(), 900);
  EXPECT_EQ(again->ToolForm(TMainForm::Inspector)->size(), QSize(300, 222));
}

TEST_F(MainFormTest, DamagedSettingsFileIsReportedAndIgnored) {
  std::filesystem::create_directories(dir_ / "config");
  WriteFile(dir_ / "config" / "glKOV.INI", "[Setting]\nthis is not a setting\n");
  auto form = MakeForm();
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("glKOV.INI"));
  EXPECT_FALSE(form->StickyAction->isChecked());
}

TEST_F(MainFormTest, StartupFileThatCannotBeOpened) {
  const QString missing = QString::fromStdString((dir_ / "missing.kov").string());
  auto form = MakeForm(missing);
  form->show();
  QApplication::processEvents();
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("missing.kov")) << script.errors[0].toStdString();
  EXPECT_EQ(form->windowTitle(), "glKOV");
  EXPECT_TRUE(app::ReadRecentFiles().isEmpty());  // a failed open is not remembered
  // Only the first showing opens it.
  form->hide();
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(script.errors.size(), 1);
}

TEST_F(MainFormTest, SplashWaitsTwoSeconds) {
  app::TSplashForm splash(50);
  EXPECT_FALSE(splash.CanClose());
  EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(QTest::qWaitFor([&] { return splash.CanClose(); }, 5000));
  const QString out = qEnvironmentVariable("GLKOV_SCREENSHOT_DIR");
  if (!out.isEmpty()) splash.grab().save(out + "/splash.png");
}

TEST_F(MainFormTest, RecentFilesMenu) {
  auto form = MakeForm();
  app::WriteRecentFiles({"/a/1.kov", "/a/2.kov"});
  form->RefreshRecentMenu();
  auto* menu = Find<QMenu>(form.get(), "Reopen1");
  QStringList texts;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) texts << a->text();
  EXPECT_EQ(texts,
            QStringList({"/a/1.kov", "/a/2.kov", "&Clear Recent Opened List", "&Remove Obsolete"}));
  const QString real = MakePicture("exists.kov", 2, 2);
  app::WriteRecentFiles({"/gone/1.kov", real});
  form->RemoveObsoleteAction->trigger();
  EXPECT_EQ(app::ReadRecentFiles(), QStringList({real}));
  form->ClearRecentAction->trigger();
  EXPECT_TRUE(app::ReadRecentFiles().isEmpty());
}

TEST_F(MainFormTest, RegistrationFilesAndMessage) {
  auto form = MakeForm();
  const std::string program = (dir_ / "build" / "glkov").string();
  form->RegisterFileType("..kov", "kovfile", "glKOV-File", "", QString::fromStdString(program));
  const auto data = dir_ / "data";
  EXPECT_TRUE(std::filesystem::exists(data / MimePackageFile()));
  const std::string desktop = ReadFile(data / DesktopEntryFile());
  EXPECT_NE(desktop.find("Exec=" + program + " %f"), std::string::npos);
  ASSERT_EQ(script.infos.size(), 1);
  EXPECT_EQ(script.infos[0],
            QString::fromStdString("File-Type .kov associated with\n" + program + "\n"));
  // Nothing to do without a command; no message either.
  form->RegisterFileType(".kov", "kovfile", "glKOV-File", "", "");
  EXPECT_EQ(script.infos.size(), 1);
}

TEST_F(MainFormTest, OptionsWindow) {
  app::TOptionForm options;
  EXPECT_EQ(options.windowTitle(), "Options");
  EXPECT_NE(options.findChild<QPushButton*>("AssociateButton"), nullptr);
  auto* group = options.findChild<QGroupBox*>("GroupBox1");
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->title(), "Under Construction");
  auto form = MakeForm();
  form->ConfigurationAction->trigger();
  EXPECT_EQ(script.execs, 1);
}

}  // namespace
}  // namespace glkov::testing
