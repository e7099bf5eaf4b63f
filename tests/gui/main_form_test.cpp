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

#include "app/camera_control_form.h"
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

TEST_F(MainFormTest, CloseProjectResetsTheWindow) {
  auto form = MakeForm();
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  ASSERT_TRUE(form->CloseProject());
  EXPECT_FALSE(form->SaveAction->isEnabled());
  EXPECT_EQ(form->Layout().FitScale, 1.0);
  EXPECT_EQ(form->PanelText(1), "");
  EXPECT_TRUE(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text().isEmpty());
  EXPECT_FALSE(form->Project().OriginalLoaded);
  EXPECT_EQ(form->UndoStack()->count(), 0);
  EXPECT_TRUE(StepItem(*form, "Sub-Scenes Perspective")->isDisabled());
  EXPECT_FALSE(form->ToolForm(TMainForm::SceneDivider)->isVisible());
}

// Cancel (also Escape and the close box) stops New, Open, closing the program and the tutorial
// and keeps the project; No goes on without saving; a Yes whose save is cancelled or fails stops
// too.
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
    // Yes, and the save fails: the error shows and the command stops as well.
    form->Project().ProjectFileName = (dir_ / "no-such-folder" / "p.kov").string();
    script.answers = {true};
    command(*form);
    EXPECT_EQ(script.errors.size(), 1);
    EXPECT_TRUE(form->Project().Modified);
    EXPECT_TRUE(form->isVisible());
    // No: the command goes on and the project counts as handled.
    script.answers = {false};
    command(*form);
    EXPECT_FALSE(form->Project().Modified);
  }
}

// A picture comes in by a drop on its page or on a file-name box, or by Enter in the box; the
// steps it opens and the status bar follow.
TEST_F(MainFormTest, PicturesComeInByDropAndByEnter) {
  const auto drop = [](QWidget* target, const QString& file) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDropEvent e(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    static_cast<QObject*>(target)->event(&e);
  };
  auto form = MakeForm();
  form->NewProject();
  const QString original = MakePicture("dropped.bmp", 80, 60);
  drop(Find(form.get(), "OriginalPanel"), original);
  const TProject& p = form->Project();
  EXPECT_EQ(p.PicWidth, 80);
  EXPECT_EQ(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text(), original);
  EXPECT_EQ(form->PanelText(2), " W: 80 H: 60 ");
  EXPECT_EQ(Find<QComboBox>(form.get(), "RegionCB")->currentText(), "Region 1");
  EXPECT_FALSE(StepItem(*form, "Sub-Scenes Perspective")->isDisabled());
  EXPECT_TRUE(StepItem(*form, "Foreground Objects")->isDisabled());
  EXPECT_TRUE(Find(form.get(), "IOriginal_r")->isVisibleTo(form.get()));
  EXPECT_FALSE(Find(form.get(), "OriginalPanel")->isVisibleTo(form.get()));

  const QString back = MakePicture("back.bmp", 80, 60, 1);
  drop(Find(form.get(), "BackgroundFilenameEdit"), back);
  EXPECT_EQ(p.BackgroundFilename, back.toStdString());
  const QString mask = MakePicture("mask.bmp", 80, 60, 3);
  auto* edit = Find<QLineEdit>(form.get(), "MaskFilenameEdit");
  edit->setText(mask);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(p.MaskFilename, mask.toStdString());
  EXPECT_EQ(p.IMask_r.Width(), 80);
  EXPECT_FALSE(StepItem(*form, "Foreground Objects")->isDisabled());
  // With an original the mask page is the mask's editor.
  EXPECT_FALSE(Find(form.get(), "MaskEditor")->isHidden());
  EXPECT_TRUE(Find(form.get(), "MaskPanel")->isHidden());

  // A file that is no picture: the error names it and the picture stays.
  WriteFile(dir_ / "bad.bmp", "BM not a picture");
  drop(Find(form.get(), "PictureFilenameEdit"), Path("bad.bmp"));
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("bad.bmp")) << script.errors[0].toStdString();
  EXPECT_EQ(p.PicWidth, 80);
  EXPECT_EQ(Find<QLineEdit>(form.get(), "PictureFilenameEdit")->text(), Path("bad.bmp"));
}

TEST_F(MainFormTest, PictureDialogsListEveryKindReadAndStartInTheProjectFolder) {
  auto form = MakeForm();
  form->NewProject();
  // A PNG picture through the dialog of a new project, which starts in the user's pictures.
  const QString png = Path("o.png");
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
  EXPECT_EQ(QDir(script.fileDirs.last()), QDir(Path("project")));
  // A picture being replaced: its own folder.
  form->ImportOriginalAction->trigger();
  EXPECT_EQ(QDir(script.fileDirs.last()), QDir(QString::fromStdString(dir_.path().string())));
}

// Pages change by Page Up and Page Down, the arrows and the step bar, which highlights the page
// shown; only the current page's tab shows.
TEST_F(MainFormTest, PagesChangeByKeysArrowsAndStepBar) {
  auto form = MakeForm();
  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  auto* tree = Find<QTreeWidget>(form.get(), "OutBar1");
  auto current = [&] { return tree->currentItem() ? tree->currentItem()->text(0) : QString(); };
  EXPECT_EQ(current(), "Original Picture");  // at start-up
  form->NewProject();
  form->ImportPicture(0, MakePicture("o.bmp", 64, 48));
  form->ImportPicture(1, MakePicture("m.bmp", 64, 48, 2));
  EXPECT_FALSE(Find(form.get(), "PanelUp")->isVisibleTo(form.get()));
  QTest::keyClick(form.get(), Qt::Key_PageUp);
  EXPECT_EQ(form->CurrentPage(), 0);
  for (int i = 1; i <= 6; ++i) {
    QTest::keyClick(form.get(), Qt::Key_PageDown);
    EXPECT_EQ(form->CurrentPage(), std::min(i, 5));
  }
  EXPECT_FALSE(Find(form.get(), "PanelDown")->isVisibleTo(form.get()));
  auto* tabs = Find<QTabWidget>(form.get(), "PageControl");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->isTabVisible(i), i == 5) << i;
  QTest::mouseClick(Find(form.get(), "ButtonLEDUp"), Qt::LeftButton);
  EXPECT_EQ(form->CurrentPage(), 4);
  EXPECT_EQ(current(), "Foreground Objects");
  // The sub-scene list travels with the arrows onto pages 3 and 4.
  EXPECT_EQ(Find(form.get(), "RegionCBPanel")->parentWidget(),
            Find(form.get(), "PanelUp")->parentWidget());

  auto click = [&](const QString& caption) {
    QTreeWidgetItem* item = StepItem(*form, caption);
    ASSERT_NE(item, nullptr) << caption.toStdString();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
  };
  click("Sub-Scenes Perspective");
  EXPECT_EQ(form->CurrentPage(), 3);
  EXPECT_EQ(current(), "Sub-Scenes Perspective");
  // Items that open a window and the group captions leave the page and its highlight.
  for (const char* caption : {"Subs-Scenes", "Step 3: Settings", "Internal Player"}) {
    click(caption);
    EXPECT_EQ(form->CurrentPage(), 3) << caption;
    EXPECT_EQ(current(), "Sub-Scenes Perspective") << caption;
  }
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
    Find<QCheckBox>(form->CameraControlWindow(), "NegativeCheckBox")->click();
    form->OutputOptions().EyeSeparation = "12.5";
    form->show();
    form->close();
  }
  const auto ini = dir_ / "config" / "glKOV.INI";
  ASSERT_TRUE(std::filesystem::exists(ini));
  const IniFile s = IniFile::Load(ini);
  EXPECT_EQ(s.Value("Setting", "StickyFormTB.Down", ""), "1");
  EXPECT_TRUE(s.Value("Setting", "ToolBarIcon.Top"));
  EXPECT_TRUE(s.Value("Setting", "ToolBarMenu.Left"));
  EXPECT_EQ(s.IntValue("Setting", "Width", 0), 900);
  EXPECT_EQ(s.IntValue("Object Inspector", "Height", 0), 222);
  EXPECT_TRUE(s.BoolValue("TCameraControlForm", "NegativeCheckBox.Checked", false));
  EXPECT_EQ(s.Value("Advanced Options", "EyeSEdit.Text", ""), "12.5");
  EXPECT_EQ(s.Value("TTimelineForm", "MFRFEdit.Text", ""), "1.0");
  const auto sections = s.Sections();
  for (const char* section : {"Object Extraction", "TTextureForm", "TNevigatorForm"})
    EXPECT_NE(std::find(sections.begin(), sections.end(), section), sections.end()) << section;
  auto again = std::make_unique<TMainForm>(TMainForm::Options{}, Dialogs());
  EXPECT_TRUE(again->StickyAction->isChecked());
  EXPECT_EQ(again->width(), 900);
  EXPECT_EQ(again->ToolForm(TMainForm::Inspector)->size(), QSize(300, 222));
  EXPECT_TRUE(again->Switches().Negative);
  EXPECT_EQ(again->OutputOptions().EyeSeparation, "12.5");
}

TEST_F(MainFormTest, DamagedSettingsFileIsReportedAndIgnored) {
  std::filesystem::create_directories(dir_ / "config");
  WriteFile(dir_ / "config" / "glKOV.INI", "[Setting]\nthis is not a setting\n");
  auto form = MakeForm();
  ASSERT_EQ(script.errors.size(), 1);
  EXPECT_TRUE(script.errors[0].contains("glKOV.INI"));
  EXPECT_FALSE(form->StickyAction->isChecked());
}

}  // namespace
}  // namespace glkov::testing
