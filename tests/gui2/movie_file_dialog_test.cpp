#include "app/movie_file_dialog.h"

#include <gtest/gtest.h>

#include <QSpinBox>

#include "support/test_app.h"

namespace glkov {
namespace {

struct FormatCase {
  const char* Filter;
  const char* Suffix;
  int MaxQuality;  // 0: no quality field
  const char* DefaultText;
};

// The quality field follows the chosen file type: shown with the encoder's range and default for
// the formats written at a chosen quality, hidden for the others; the default suffix follows too.
TEST(MovieFileDialog, QualityFieldFollowsTheFileType) {
  TestApp();
  app::TMovieFileDialog dialog(nullptr, QStringLiteral("Output Movie"), QString());
  dialog.SetQuality(-1);
  const FormatCase cases[] = {{"MP4 Video (*.mp4)", "mp4", 51, "Default (18)"},
                              {"AVI Movie (*.avi)", "avi", 0, ""},
                              {"WebM Video (*.webm)", "webm", 63, "Default (32)"}};
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.Filter);
    dialog.selectNameFilter(QString::fromLatin1(c.Filter));
    emit dialog.filterSelected(QString::fromLatin1(c.Filter));
    EXPECT_EQ(dialog.defaultSuffix(), QString::fromLatin1(c.Suffix));
    QSpinBox* quality = dialog.QualityEdit();
    EXPECT_EQ(!quality->isHidden(), c.MaxQuality > 0);
    if (c.MaxQuality == 0) continue;
    EXPECT_EQ(quality->maximum(), c.MaxQuality);
    EXPECT_EQ(quality->text(), QString::fromLatin1(c.DefaultText));
    EXPECT_EQ(dialog.Quality(), -1);
  }
  // A chosen factor comes back as chosen, and one beyond H.264's range is brought into it.
  dialog.selectNameFilter(QStringLiteral("WebM Video (*.webm)"));
  emit dialog.filterSelected(QStringLiteral("WebM Video (*.webm)"));
  dialog.SetQuality(60);
  EXPECT_EQ(dialog.Quality(), 60);
  dialog.selectNameFilter(QStringLiteral("MP4 Video (*.mp4)"));
  emit dialog.filterSelected(QStringLiteral("MP4 Video (*.mp4)"));
  EXPECT_EQ(dialog.Quality(), 51);
}

}  // namespace
}  // namespace glkov
