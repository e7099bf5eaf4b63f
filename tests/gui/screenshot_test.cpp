// The README's pictures of the main window with the sample project (scripts/make-docs runs this
// under a virtual display with GLKOV_SCREENSHOT_DIR set). It checks nothing the other window tests
// do not, so without a folder it is skipped.
#include <QPixmap>

#include "gui_fixture.h"

namespace glkov::testing {
namespace {

class ScreenshotTest : public GuiTest {};

TEST_F(ScreenshotTest, SampleProjectPages) {
  const QString out = qEnvironmentVariable("GLKOV_SCREENSHOT_DIR");
  if (out.isEmpty()) GTEST_SKIP() << "writes the README's pictures when GLKOV_SCREENSHOT_DIR is set";
  auto form = MakeForm();
  form->show();
  const auto sample = SourceDir() / "examples" / "room" / "room.kov";
  ASSERT_TRUE(form->OpenProjectFile(QString::fromStdString(sample.string())))
      << script.errors.join("\n").toStdString();
  for (int page : {0, 3, 4, 5}) {
    form->ShowPage(page);
    // The camera page shows the made scene where the 3D view can draw.
    if (page == 5 && QGuiApplication::platformName() != "offscreen") {
      EXPECT_TRUE(form->MakeScene()) << script.errors.join("\n").toStdString();
    }
    QApplication::processEvents();
    ASSERT_TRUE(form->grab().save(QString("%1/room-page%2.png").arg(out).arg(page)));
  }
}

}  // namespace
}  // namespace glkov::testing
