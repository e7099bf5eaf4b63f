#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTest>
#include <QUndoStack>

#include "app/nevigator_form.h"
#include "app/settings.h"
#include "app/tool_forms.h"
#include "core/model/project_file.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

class ProjectCommandsTest : public GuiTest {
 protected:
  // A saved project in the test folder; returns its file name.
  QString MakeProject(const std::string& name) {
    SavedProject(name);
    return Path(name);
  }
};

// Opening shows the scene divider as "New" does; "New" and closing empty its list of the
// previous project's sub-scenes.
TEST_F(ProjectCommandsTest, DividerFollowsTheProject) {
  const QString file = MakeProject("first.kov");
  auto form = MakeForm();
  form->show();
  auto* list = form->Nevigator()->findChild<QComboBox*>("RegionCB");
  ASSERT_NE(list, nullptr);
  const std::vector<std::pair<const char*, std::function<void(TMainForm&)>>> leave = {
      {"New", [](TMainForm& f) { ASSERT_TRUE(f.NewProject()); }},
      {"Close", [](TMainForm& f) { ASSERT_TRUE(f.CloseProject()); }},
  };
  for (const auto& [name, command] : leave) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(form->OpenProjectFile(file));
    EXPECT_TRUE(form->ToolWindowFlag(TMainForm::SceneDivider));
    EXPECT_TRUE(form->ToolForm(TMainForm::SceneDivider)->isVisible());
    EXPECT_EQ(list->count(), 1);
    command(*form);
    EXPECT_EQ(list->count(), 0);
  }
}

// Each project opened goes to the top of "Reopen"; entries of files that are gone leave on
// request.
TEST_F(ProjectCommandsTest, OpenAndReopenKeepTheRecentList) {
  const QString a = MakeProject("a.kov"), b = MakeProject("b.kov");
  auto form = MakeForm();
  script.files = {a};
  ASSERT_TRUE(form->OpenProject());
  EXPECT_EQ(form->Project().ProjectFileName, a.toStdString());
  EXPECT_EQ(form->Project().PicWidth, 90);
  EXPECT_FALSE(form->Project().Modified);
  ASSERT_TRUE(form->OpenProjectFile(b));
  EXPECT_EQ(form->windowTitle(), "glKOV - [b]");
  EXPECT_EQ(app::ReadRecentFiles(), QStringList({b, a}));
  auto* reopen = form->findChild<QMenu*>("Reopen1");
  ASSERT_EQ(reopen->actions()[1]->text(), a);
  reopen->actions()[1]->trigger();
  EXPECT_EQ(form->windowTitle(), "glKOV - [a]");
  EXPECT_EQ(app::ReadRecentFiles(), QStringList({a, b}));
  std::filesystem::remove(b.toStdString());
  form->RemoveObsoleteAction->trigger();
  EXPECT_EQ(app::ReadRecentFiles(), QStringList({a}));
  form->ClearRecentAction->trigger();
  EXPECT_TRUE(app::ReadRecentFiles().isEmpty());
}

TEST_F(ProjectCommandsTest, CommandLineArgumentOpensOnce) {
  {
    // A file that cannot be opened: the error names it and it is not remembered.
    auto form = MakeForm(Path("missing.kov"));
    form->show();
    QApplication::processEvents();
    ASSERT_EQ(script.errors.size(), 1);
    EXPECT_TRUE(script.errors[0].contains("missing.kov")) << script.errors[0].toStdString();
    EXPECT_EQ(form->windowTitle(), "glKOV");
    EXPECT_TRUE(app::ReadRecentFiles().isEmpty());
    script = {};
  }
  const QString file = MakeProject("start.kov");
  auto form = MakeForm(file);
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(form->windowTitle(), "glKOV - [start]");
  EXPECT_EQ(app::ReadRecentFiles(), QStringList({file}));
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(form->Project().PicWidth, 90);
  form->CloseProject();
  form->hide();
  form->show();
  QApplication::processEvents();
  EXPECT_EQ(form->windowTitle(), "glKOV");
}

TEST_F(ProjectCommandsTest, EditedProjectAsksBeforeOpeningAnother) {
  const QString a = MakeProject("a.kov");
  auto form = MakeForm();
  ASSERT_TRUE(form->OpenProjectFile(a));
  form->DefaultMeshButtonClick();
  form->SetPerspectiveDone(true);
  ASSERT_TRUE(form->Project().Modified);
  script.answers = {true};  // save it
  ASSERT_TRUE(form->OpenProjectFile(a));
  EXPECT_EQ(script.questions, QStringList({"Save project before proceeding?"}));
  EXPECT_TRUE(form->Project().PerspectiveDone);  // the saved "Done" came back
  EXPECT_EQ(form->UndoStack()->count(), 0);
}

}  // namespace
}  // namespace glkov::testing
