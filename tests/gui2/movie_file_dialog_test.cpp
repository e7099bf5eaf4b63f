#include "app/movie_file_dialog.h"

#include <gtest/gtest.h>

#include <QSpinBox>
#include <tuple>

#include "support/test_app.h"

namespace glkov {
namespace {

// The quality field follows the chosen file type: shown with the encoder's range and default for
// the formats written at a chosen quality, hidden for the others; the default suffix follows too.
TEST(MovieFileDialog, QualityFieldFollowsTheFileType) {
  TestApp();
  app::TMovieFileDialog dialog(nullptr, QStringLiteral("Output Movie"), QString());
  dialog.SetQuality(-1);
  // File type, default suffix, largest quality (0: no field), the default's text.
  const std::tuple<const char*, const char*, int, const char*> cases[] = {
      {"MP4 Video (*.mp4)", "mp4", 51, "Default (18)"},
      {"AVI Movie (*.avi)", "avi", 0, ""},
      {"WebM Video (*.webm)", "webm", 63, "Default (32)"}};
  for (const auto& [filter, suffix, max, text] : cases) {
    SCOPED_TRACE(filter);
    dialog.selectNameFilter(QString::fromLatin1(filter));
    emit dialog.filterSelected(QString::fromLatin1(filter));
    EXPECT_EQ(dialog.defaultSuffix(), QString::fromLatin1(suffix));
    QSpinBox* quality = dialog.QualityEdit();
    EXPECT_EQ(!quality->isHidden(), max > 0);
    if (max == 0) continue;
    EXPECT_EQ(quality->maximum(), max);
    EXPECT_EQ(quality->text(), QString::fromLatin1(text));
    EXPECT_EQ(dialog.Quality(), -1);
  }
  dialog.SetQuality(23);
  EXPECT_EQ(dialog.Quality(), 23);
}

}  // namespace
}  // namespace glkov
