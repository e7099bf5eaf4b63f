#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>
#include <cstring>

#include "app/avi_info_form.h"
#include "app/avi_player_form.h"
#include "core/output/avi_writer.h"
#include "core/output/movie_writer.h"
#include "gui3d_fixture.h"

namespace glkov::testing {
namespace {

// An uncompressed movie of frames w x h, frame k a uniform grey of level 20 k, so that every
// frame tells its number.
std::filesystem::path WriteMovie(const TempDir& dir, const std::string& name, int frames, int rate,
                                 int w = 32, int h = 24) {
  AviWriterOptions o;
  o.Width = w;
  o.Height = h;
  o.Rate = rate;
  AviWriter writer(dir / name, o);
  for (int k = 0; k < frames; ++k) {
    TFastBMP f(w, h);
    for (int y = 0; y < h; ++y) std::memset(f.Row(y), 20 * k, static_cast<size_t>(w) * 3);
    writer.AddFrame(f);
  }
  writer.Finish();
  return dir / name;
}

class PlayerTest : public Gui3dTest {
 protected:
  PlayerTest() { player.SetDialogs(Dialogs()); }
  int ShownGrey() {
    const QImage& img = player.View()->Image();
    return img.isNull() ? -1 : qGreen(img.pixel(16, 12));
  }
  app::TAVIPlayerForm player;
};

// "Browse" loads a movie and shows its first frame; play loops until stopped (by the buttons,
// Space or Esc, which also closes the window); a seek stops, clamps to the movie and refuses what
// is no number.
TEST_F(PlayerTest, BrowsePlayStopAndSeek) {
  const QString name = QString::fromStdString(WriteMovie(dir_, "m.avi", 10, 20).string());
  script.files = {name};
  player.findChild<QToolButton*>("BrowseButton")->click();
  EXPECT_EQ(player.FileName(), name);
  EXPECT_EQ(player.TimerPeriod(), 50);  // 20 frames per second
  EXPECT_EQ(ShownGrey(), 0);
  EXPECT_TRUE(player.Problems().isEmpty());
  QSignalSpy shown(&player, &app::TAVIPlayerForm::FrameShown);
  player.findChild<QPushButton*>("Button2")->click();
  EXPECT_TRUE(player.Playing());
  for (int i = 0; i < 12; ++i) player.Tick();  // driven by hand: no timing in tests
  QList<int> frames;
  for (const auto& s : shown) frames << s[0].toInt();
  EXPECT_EQ(frames, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2}));
  EXPECT_EQ(ShownGrey(), 40);
  player.findChild<QPushButton*>("Button5")->click();
  EXPECT_FALSE(player.Playing());

  auto* edit = player.findChild<QLineEdit*>("Edit1");
  player.Play();
  edit->setText("7");
  player.findChild<QPushButton*>("Button6")->click();
  EXPECT_FALSE(player.Playing());
  EXPECT_EQ(player.CurrentFrame(), 7);
  EXPECT_EQ(ShownGrey(), 140);
  player.Seek(99);
  EXPECT_EQ(player.CurrentFrame(), 9);
  edit->setText("seven");
  player.findChild<QPushButton*>("Button6")->click();
  EXPECT_EQ(script.errors, QStringList{"'seven' is not a valid integer value"});
  EXPECT_EQ(player.CurrentFrame(), 9);

  player.show();
  QTest::keyClick(&player, Qt::Key_Space);
  EXPECT_TRUE(player.Playing());
  QTest::keyClick(&player, Qt::Key_Space);
  EXPECT_FALSE(player.Playing());
  QTest::keyClick(&player, Qt::Key_Space);
  QTest::keyClick(&player, Qt::Key_Escape);
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(player.isVisible());
}

TEST_F(PlayerTest, WindowFitsTheMovieAndSizePresetsSetThePictureArea) {
  player.show();
  QApplication::processEvents();
  const QSize before = player.size();
  // A movie larger than the picture area: the window grows to show all of it, on the screen.
  const auto big = WriteMovie(dir_, "big.avi", 1, 10, 560, 380);
  auto* frameBox = player.findChild<QLineEdit*>("Edit1");
  frameBox->setText("7");
  ASSERT_TRUE(player.Load(QString::fromStdString(big.string())));
  QApplication::processEvents();
  EXPECT_GE(player.View()->width(), 560);
  EXPECT_GE(player.View()->height(), 380);
  EXPECT_TRUE(player.screen()->availableGeometry().contains(player.frameGeometry()));
  EXPECT_EQ(frameBox->text(), "0");  // a new movie starts at frame 0
  // A small movie leaves the window as large as it is.
  const QSize grown = player.size();
  ASSERT_TRUE(player.Load(QString::fromStdString(WriteMovie(dir_, "m.avi", 2, 20).string())));
  EXPECT_EQ(player.size(), grown);
  EXPECT_NE(grown, before);
  // The presets of "Size" give the picture area that size.
  const QList<QAction*> presets =
      player.findChild<QToolButton*>("RxSpeedButton1")->menu()->actions();
  ASSERT_EQ(presets.size(), 2);
  for (QAction* preset : presets) {
    preset->trigger();
    QApplication::processEvents();
    EXPECT_EQ(QStringLiteral("%1x%2").arg(player.View()->width()).arg(player.View()->height()),
              preset->text());
  }
}

TEST_F(PlayerTest, StretchAndCenterPlaceThePicture) {
  ASSERT_TRUE(player.Load(QString::fromStdString(WriteMovie(dir_, "m.avi", 2, 20).string())));
  player.View()->resize(200, 160);
  EXPECT_EQ(player.View()->PictureRect(), QRect(84, 68, 32, 24));
  player.findChild<QCheckBox*>("CheckCenter")->setChecked(false);
  EXPECT_EQ(player.View()->PictureRect(), QRect(0, 0, 32, 24));
  player.findChild<QCheckBox*>("CheckStretch")->setChecked(true);
  EXPECT_EQ(player.View()->PictureRect(), QRect(0, 0, 200, 160));
  EXPECT_FALSE(player.findChild<QCheckBox*>("CheckSound")->isChecked());
}

// Every format the export writes plays; the information window tells what the file is (an AVI
// its header's stream type "vids", the others their size and frame count).
TEST_F(PlayerTest, EveryFormatPlaysAndTellsItsInformation) {
  const std::pair<std::string, QStringList> formats[] = {
      {"m.avi", {"fccType 1935960438"}},
      {"m.mp4", {"Size: 32 x 24", "Frame count: 4"}},
      {"m.webm", {"Size: 32 x 24", "Frame count: 4"}},
      {"m.gif", {"Size: 32 x 24", "Frame count: 4"}},
      {"f_%03d.png", {"Size: 32 x 24", "Frame count: 4"}}};
  for (const auto& [name, lines] : formats) {
    MovieWriterOptions o;
    o.Width = 32;
    o.Height = 24;
    o.Rate = 10;
    const auto writer = OpenMovieWriter(dir_ / name, o, DefaultCallbacks());
    for (int k = 0; k < 4; ++k) writer->AddFrame(TFastBMP(32, 24), RowOrder::TopDown);
    writer->Commit();
    ASSERT_TRUE(player.Load(QString::fromStdString((dir_ / name).string()))) << name;
    EXPECT_EQ(player.FrameCount(), 4) << name;
    QStringList shown;
    player.ExecDialog = [&](QDialog& d) { shown = static_cast<app::TAVIInfoForm&>(d).Lines(); };
    player.findChild<QPushButton*>("Button4")->click();
    for (const QString& line : lines)
      EXPECT_TRUE(shown.contains(line)) << name << ": " << shown.join("|").toStdString();
    EXPECT_FALSE(shown.contains("Audio Stream")) << name;
  }
}

TEST_F(PlayerTest, DamagedFilesSayWhatCouldNotBeRead) {
  const std::string whole = ReadFile(WriteMovie(dir_, "m.avi", 10, 20));
  WriteFile(dir_ / "cut.avi", whole.substr(0, whole.size() * 6 / 10));
  const QString cut = QString::fromStdString((dir_ / "cut.avi").string());
  ASSERT_TRUE(player.Load(cut));
  EXPECT_GT(player.FrameCount(), 0);
  EXPECT_LT(player.FrameCount(), 10);
  EXPECT_FALSE(player.Problems().isEmpty());
  player.Play();
  for (int i = 0; i < 20; ++i) player.Tick();
  EXPECT_TRUE(player.Playing());

  WriteFile(dir_ / "junk.avi", "not a movie");
  EXPECT_FALSE(player.Load(QString::fromStdString((dir_ / "junk.avi").string())));
  ASSERT_FALSE(player.Problems().isEmpty());
  EXPECT_TRUE(player.Problems().front().contains("junk.avi"));
  player.Play();
  EXPECT_FALSE(player.Playing());
}

// A movie of 10 frames at 20 per second with a sine tone, made by ffmpeg; empty without ffmpeg.
QString WriteSoundMovie(const TempDir& dir) {
  const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
  if (ffmpeg.isEmpty()) return {};
  const QString file = QString::fromStdString((dir / "sound.avi").string());
  QProcess p;
  p.start(ffmpeg,
          {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=32x24:rate=20:duration=0.5",
           "-f", "lavfi", "-i", "sine=duration=0.5", "-c:v", "rawvideo", "-pix_fmt", "bgr24",
           "-c:a", "pcm_s16le", file});
  EXPECT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  return file;
}

TEST_F(PlayerTest, SoundFollowsThePictures) {
  const QString file = WriteSoundMovie(dir_);
  if (file.isEmpty()) GTEST_SKIP() << "ffmpeg makes the movie with sound";
  ASSERT_TRUE(player.Load(file));
  EXPECT_EQ(player.FrameCount(), 10);
  auto* sound = player.findChild<QCheckBox*>("CheckSound");
  EXPECT_TRUE(sound->isEnabled());
  EXPECT_TRUE(sound->isChecked());
  EXPECT_TRUE(player.Problems().isEmpty()) << player.Problems().join("\n").toStdString();
  player.Play();
  EXPECT_TRUE(player.Playing());
  player.Stop();
  sound->setChecked(false);
  // A movie without sound turns the switch off again.
  ASSERT_TRUE(player.Load(QString::fromStdString(WriteMovie(dir_, "m.avi", 3, 20).string())));
  EXPECT_FALSE(sound->isEnabled());
  EXPECT_TRUE(script.errors.isEmpty());
}

// Without a usable media backend (Qt is told to load one that does not exist, which ends a
// program that makes a media player) the pictures play silently and the status says why.
TEST_F(PlayerTest, MissingMediaBackendPlaysWithoutSound) {
  const QString file = WriteSoundMovie(dir_);
  if (file.isEmpty()) GTEST_SKIP() << "ffmpeg makes the movie with sound";
  const QByteArray before = qgetenv("QT_MEDIA_BACKEND");
  qputenv("QT_MEDIA_BACKEND", "none");
  const bool loaded = player.Load(file);
  if (before.isEmpty()) {
    qunsetenv("QT_MEDIA_BACKEND");
  } else {
    qputenv("QT_MEDIA_BACKEND", before);
  }
  ASSERT_TRUE(loaded);
  auto* sound = player.findChild<QCheckBox*>("CheckSound");
  EXPECT_FALSE(sound->isEnabled());
  EXPECT_FALSE(sound->isChecked());
  ASSERT_EQ(player.Problems().size(), 1);
  EXPECT_TRUE(player.Problems().front().contains("\"none\""))
      << player.Problems().front().toStdString();
  EXPECT_TRUE(player.findChild<QLabel*>("StatusLabel")->text().startsWith("No sound"));
  player.Play();
  player.Tick();
  EXPECT_TRUE(player.Playing());
  EXPECT_EQ(player.CurrentFrame(), 1);
  EXPECT_TRUE(script.errors.isEmpty());
}

}  // namespace
}  // namespace glkov::testing
