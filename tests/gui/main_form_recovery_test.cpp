#include <QTest>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>

#include "app/settings.h"
#include "core/model/project_file.h"
#include "core/model/recovery.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

using app::TMainForm;

class MainFormRecoveryTest : public GuiTest {
 protected:
  std::unique_ptr<TMainForm> FormWithProject() { return SavedProject("room.kov"); }

  std::string Folder(const TMainForm& form) const { return form.RecoveryFolder().toStdString(); }
};

TEST_F(MainFormRecoveryTest, WrittenOnlyWithUnsavedChangesAndRemovedBySaveOrClose) {
  auto form = FormWithProject();
  EXPECT_FALSE(form->WriteRecoveryNow()) << "nothing unsaved";
  EXPECT_FALSE(FindRecovery(Folder(*form)));

  form->Project().Modified = true;
  ASSERT_TRUE(form->WriteRecoveryNow());
  EXPECT_TRUE(FindRecovery(Folder(*form)));
  EXPECT_TRUE(form->Project().Modified);

  ASSERT_TRUE(form->SaveProject());
  EXPECT_FALSE(FindRecovery(Folder(*form)));
  // Closed without saving, the work is the user's choice: the recovery goes too.
  form->Project().Modified = true;
  ASSERT_TRUE(form->WriteRecoveryNow());
  script.answers = {false};  // "Save project before proceeding?": No
  ASSERT_TRUE(form->CloseProject());
  EXPECT_FALSE(FindRecovery(Folder(*form)));
}

TEST_F(MainFormRecoveryTest, TimersWriteItEveryTwoMinutesAndAfterAnEditBurst) {
  auto form = FormWithProject();
  auto* period = form->findChild<QTimer*>("RecoveryTimer");
  auto* burst = form->findChild<QTimer*>("RecoveryBurstTimer");
  ASSERT_TRUE(period && burst);
  EXPECT_TRUE(period->isActive());
  EXPECT_FALSE(burst->isActive());

  form->Project().Modified = true;
  form->UndoStack()->push(new QUndoCommand("an edit"));
  EXPECT_TRUE(burst->isActive()) << "each edit restarts the quiet time";
  burst->setInterval(1);
  burst->start();
  QTRY_VERIFY(FindRecovery(Folder(*form)).has_value());
}

TEST_F(MainFormRecoveryTest, NextStartOffersItAndYesRestores) {
  {
    auto form = FormWithProject();
    form->Project().MeshRegions[1].Name = "Unsaved work";
    form->Project().Modified = true;
    ASSERT_TRUE(form->WriteRecoveryNow());
    // The crash: the window goes without a save or a close.
  }
  ASSERT_TRUE(FindRecovery((dir_ / "config" / "user").string()));
  script = {};
  script.answers = {true};
  auto form = MakeForm();
  form->show();
  ASSERT_EQ(script.questions.size(), 1);
  EXPECT_TRUE(script.questions[0].endsWith(" (room)?")) << script.questions[0].toStdString();
  EXPECT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(form->Project().MeshRegions[1].Name, "Unsaved work");
  EXPECT_EQ(form->windowTitle(), "glKOV - [room*]");  // restored work is not saved yet
  // Still there until the restored work is saved.
  EXPECT_TRUE(FindRecovery(Folder(*form)));
  ASSERT_TRUE(form->SaveProject());
  EXPECT_FALSE(FindRecovery(Folder(*form)));
}

TEST_F(MainFormRecoveryTest, NoDiscardsItAndTheStartupFileOpens) {
  {
    auto form = FormWithProject();
    form->Project().Modified = true;
    ASSERT_TRUE(form->WriteRecoveryNow());
  }
  script = {};
  script.answers = {false};
  auto form = MakeForm(Path("room.kov"));
  form->show();
  EXPECT_EQ(script.questions.size(), 1);
  EXPECT_FALSE(FindRecovery(Folder(*form)));
  QTRY_COMPARE(form->Project().PicWidth, 90);
  EXPECT_FALSE(form->Project().Modified);
}

}  // namespace
}  // namespace glkov::testing
