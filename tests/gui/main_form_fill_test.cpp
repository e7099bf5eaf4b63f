// "Fill Automatically" through the main window: the filled background, its undo, its file beside
// the saved project, cancelling, and the question of "Make" without a background.
#include <QDir>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QUndoStack>
#include <filesystem>

#include "app/settings.h"
#include "core/config/ini_file.h"
#include "gui_fixture.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov::testing {
namespace {

class MainFormFillTest : public GuiTest {
 protected:
  // A new project of a small room: its original and mask, no background.
  std::unique_ptr<app::TMainForm> RoomForm() {
    synthetic::SyntheticRoomOptions o = SmallRoomOptions();
    o.Objects = {{synthetic::ObjectShape::kRoundedBox, 40, 10, 24, 20}};
    room_ = synthetic::MakeSyntheticRoom(o);
    synthetic::SavePNG(dir_ / "o.png", room_.Original);
    synthetic::SavePNG(dir_ / "m.png", room_.Mask);
    auto form = MakeForm();
    form->show();
    EXPECT_TRUE(form->NewProject());
    EXPECT_TRUE(form->ImportPicture(0, Path("o.png")));
    EXPECT_TRUE(form->ImportPicture(1, Path("m.png")));
    return form;
  }

  // Presses Cancel of the fill's progress window as soon as it shows.
  void CancelWhenShown(app::TMainForm& form) {
    auto* timer = new QTimer(&form);
    QObject::connect(timer, &QTimer::timeout, &form, [&form, timer] {
      if (auto* d = form.findChild<QProgressDialog*>("FillProgressDialog")) {
        d->cancel();
        timer->stop();
      }
    });
    timer->start(1);
  }

  synthetic::SyntheticRoom room_;
};

TEST_F(MainFormFillTest, FillsUndoesAndSavesBesideTheProject) {
  auto form = RoomForm();
  form->ShowPage(2);
  Find<QToolButton>(form.get(), "FillAutomaticallyButton")->click();
  ASSERT_TRUE(script.errors.isEmpty()) << script.errors.join("\n").toStdString();
  const TProject& p = form->Project();
  ASSERT_EQ(p.IBackground.Width(), 160);
  // The objects are gone from the background; the rest is the original.
  const std::vector<uint8_t> same = room_.Original.PackedPixels();
  const std::vector<uint8_t> filled = p.IBackground.PackedPixels();
  EXPECT_NE(filled, same);
  EXPECT_EQ(filled.size(), same.size());
  auto* edit = Find<QLineEdit>(form.get(), "BackgroundFilenameEdit");
  EXPECT_EQ(edit->text(), "background.png");

  form->UndoStack()->undo();
  EXPECT_TRUE(form->Project().IBackground.Empty());
  EXPECT_TRUE(edit->text().isEmpty());
  form->UndoStack()->redo();
  EXPECT_EQ(form->Project().IBackground.PackedPixels(), filled);

  script.files = {Path("hall.kov")};
  ASSERT_TRUE(form->SaveProjectAs()) << script.errors.join("\n").toStdString();
  const auto saved = dir_ / "hall_background.png";
  ASSERT_TRUE(std::filesystem::exists(saved));
  EXPECT_EQ(edit->text().toStdString(), saved.string());
  TFastBMP back;
  LoadPictureFile(saved.string(), back);
  EXPECT_EQ(back.PackedPixels(), filled);
}

TEST_F(MainFormFillTest, CancelledFillAndMakeLeaveTheProjectAsItWas) {
  auto form = RoomForm();
  const int edits = form->UndoStack()->count();
  CancelWhenShown(*form);
  EXPECT_FALSE(form->FillBackgroundAutomatically());
  EXPECT_TRUE(form->Project().IBackground.Empty());
  EXPECT_EQ(form->UndoStack()->count(), edits);

  // "Make" without a background asks; Yes fills first, and a cancelled fill makes nothing.
  script.answers = {true};
  CancelWhenShown(*form);
  EXPECT_FALSE(form->MakeScene());
  EXPECT_EQ(script.questions, QStringList{"Fill the background automatically?"});
  EXPECT_FALSE(form->Project().SceneMade);
  EXPECT_TRUE(form->Project().IBackground.Empty());
}

// "Grow mask by N pixels": the fill reaches further past the objects the more it grows, and the
// setting is kept for the next start.
TEST_F(MainFormFillTest, GrowSettingWidensTheFillAndIsKept) {
  const auto changed = [&](int grow) {
    auto form = RoomForm();
    Find<QSpinBox>(form.get(), "FillGrowSpin")->setValue(grow);
    EXPECT_TRUE(form->FillBackgroundAutomatically());
    const std::vector<uint8_t> filled = form->Project().IBackground.PackedPixels();
    const std::vector<uint8_t> original = room_.Original.PackedPixels();
    EXPECT_EQ(filled.size(), original.size());
    size_t n = 0;
    for (size_t i = 0; i < std::min(filled.size(), original.size()); ++i)
      n += filled[i] != original[i];
    form->StoreSettings();
    return n;
  };
  const size_t narrow = changed(0);
  const size_t wide = changed(8);
  EXPECT_GT(narrow, 0u);
  EXPECT_GT(wide, narrow + 100);
  EXPECT_EQ(
      IniFile::Load(app::IniFileName().toStdString()).IntValue("Setting", "FillGrowSpin.Value", 0),
      8);
  auto form = MakeForm();
  EXPECT_EQ(Find<QSpinBox>(form.get(), "FillGrowSpin")->value(), 8);
}

}  // namespace
}  // namespace glkov::testing
