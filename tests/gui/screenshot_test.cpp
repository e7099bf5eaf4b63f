// Pictures of the main window on every page, written when GLKOV_SCREENSHOT_DIR names a folder
// (run under a virtual display to look at them).
#include <QDir>
#include <QPixmap>
#include <QTest>

#include "app/tool_forms.h"
#include "gui_fixture.h"

namespace glkov::testing {
namespace {

class ScreenshotTest : public GuiTest {};

TEST_F(ScreenshotTest, EveryPage) {
  const QString out = qEnvironmentVariable("GLKOV_SCREENSHOT_DIR");
  auto form = MakeForm();
  form->show();
  QApplication::processEvents();
  if (!out.isEmpty()) form->grab().save(out + "/screenshot-empty.png");
  form->NewProject();
  ASSERT_TRUE(form->ImportPicture(0, MakePicture("o.bmp", 640, 480, 0)));
  ASSERT_TRUE(form->ImportPicture(1, MakePicture("m.bmp", 640, 480, 2)));
  ASSERT_TRUE(form->ImportPicture(2, MakePicture("b.bmp", 640, 480, 4)));
  for (int page = 0; page < 6; ++page) {
    form->ShowPage(page);
    QApplication::processEvents();
    EXPECT_EQ(form->CurrentPage(), page);
    if (!out.isEmpty()) form->grab().save(QString("%1/screenshot-page%2.png").arg(out).arg(page));
  }
  // The sample project, where it exists.
  const auto sample = SourceDir() / "examples" / "room" / "room.kov";
  if (std::filesystem::exists(sample)) {
    ASSERT_TRUE(form->OpenProjectFile(QString::fromStdString(sample.string())))
        << script.errors.join("\n").toStdString();
    EXPECT_EQ(form->windowTitle(), "glKOV - [room]");
    for (int page : {0, 3, 4, 5}) {
      form->ShowPage(page);
      // The camera page shows the made scene where the 3D view can draw.
      if (page == 5 && !out.isEmpty() && QGuiApplication::platformName() != "offscreen") {
        EXPECT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
      }
      QApplication::processEvents();
      if (!out.isEmpty()) form->grab().save(QString("%1/room-page%2.png").arg(out).arg(page));
    }
    // The mesh page after the window grew, with the perspective fixed.
    form->ShowPage(3);
    form->resize(form->width() + 200, form->height() + 120);
    form->findChild<QWidget*>("PerspectiveDone")->setFocus();
    form->SetPerspectiveDone(true);
    QApplication::processEvents();
    if (!out.isEmpty()) form->grab().save(out + "/room-page3-larger-done.png");
  }
  if (!out.isEmpty()) {
    for (auto* f : form->findChildren<app::TToolForm*>()) {
      f->show();
      QApplication::processEvents();
      f->grab().save(out + "/tool-" + f->objectName() + ".png");
      f->hide();
    }
  }
}

}  // namespace
}  // namespace glkov::testing
