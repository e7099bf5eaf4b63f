#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include "app/output_avi_form.h"
#include "app/output_option_form.h"
#include "app/rendering_form.h"
#include "core/output/avi_writer.h"
#include "export_room.h"
#include "gui3d_fixture.h"
#include "output/decode_movie.h"

namespace glkov::testing {
namespace {

using OutputOptionFormTest = Gui3dTest;

TEST_F(OutputOptionFormTest, ChangesStayAfterCancel) {
  TOutputOptions options;
  app::TOutputOptionForm form(options);
  QSignalSpy changed(&form, &app::TOutputOptionForm::OptionsChanged);
  QTest::mouseClick(form.findChild<QRadioButton*>("ColorDepthGroup1"), Qt::LeftButton);
  form.findChild<QCheckBox*>("StereographCheckBox")->setChecked(true);
  form.findChild<QLineEdit*>("EyeSEdit")->setText("2.5");
  form.findChild<QSlider*>("LTBSlider")->setValue(10);
  form.findChild<QSpinBox*>("ACFrameEdit")->setValue(3);
  form.findChild<QComboBox*>("StereoModeCombo")->setCurrentIndex(1);
  form.findChild<QComboBox*>("SamplesCombo")->setCurrentIndex(3);
  form.findChild<QSpinBox*>("CrfEdit")->setValue(23);
  form.findChild<QComboBox*>("TextureDetailCombo")->setCurrentIndex(1);
  form.findChild<QPushButton*>("Button2")->click();
  EXPECT_EQ(options.ColorDepthItem, 1);
  EXPECT_TRUE(options.Stereograph);
  EXPECT_EQ(options.EyeSeparation, "2.5");
  EXPECT_EQ(options.Smoothness, 10);
  EXPECT_EQ(options.AccumulatedFrames, 3);
  EXPECT_TRUE(options.StereoSideBySide);
  EXPECT_EQ(options.Samples, 8);
  EXPECT_EQ(options.Crf, 23);
  EXPECT_EQ(options.TextureMax, 4096);
  EXPECT_EQ(changed.count(), 1);
}

class OutputAVIFormTest : public Gui3dTest {
 protected:
  OutputAVIFormTest() : room(dir_) {}
  std::unique_ptr<app::TOutputAVIForm> MakeForm() {
    auto form =
        std::make_unique<app::TOutputAVIForm>(room.project, *room.timeline, options, switches);
    form->SetDialogs(Dialogs());
    form->SetDisplaySize(64, 48);
    return form;
  }
  QString Movie() const { return QString::fromStdString((dir_ / "movie.avi").string()); }

  ExportRoom room;
  TOutputOptions options;
  RenderSwitches switches;
};

TEST_F(OutputAVIFormTest, ShowFillsInformationAndSizes) {
  auto form = MakeForm();
  form->FormShow();
  EXPECT_EQ(form->findChild<QSpinBox*>("WidthEdit")->value(), 64);
  EXPECT_EQ(form->findChild<QSpinBox*>("HeightEdit")->value(), 48);
  EXPECT_EQ(form->findChild<QLineEdit*>("AspectEdit")->text(), "1.33333333333333");
  EXPECT_FALSE(form->findChild<QLineEdit*>("AspectEdit")->isEnabled());
  form->ExecDialog = [](QDialog& d) {
    // The user picks 256 colours in the advanced options and closes with OK.
    QTest::mouseClick(d.findChild<QRadioButton*>("ColorDepthGroup1"), Qt::LeftButton);
  };
  options.ColorDepthItem = 2;
  form->findChild<QPushButton*>("Button1")->click();
  EXPECT_EQ(options.ColorDepthItem, 1);
  EXPECT_TRUE(form->InfoLines().back().startsWith("Color Depth = 256"))
      << form->InfoLines().back().toStdString();
}

TEST_F(OutputAVIFormTest, OutputMovieWritesFramesAndHandsMovieOn) {
  auto form = MakeForm();
  form->FormShow();
  QSignalSpy frames(form.get(), &app::TOutputAVIForm::FrameRendered);
  QSignalSpy written(form.get(), &app::TOutputAVIForm::MovieWritten);
  QSignalSpy ended(form.get(), &app::TOutputAVIForm::ExportEnded);
  EXPECT_FALSE(form->OutputButtonLEDClick());  // the file dialog cancelled: nothing
  EXPECT_EQ(ended.count(), 0);
  script.files = {QString::fromStdString((dir_ / "movie").string())};
  ASSERT_TRUE(form->OutputButtonLEDClick()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(frames.count(), 11);  // FPK 10: frames 0 .. 10
  EXPECT_EQ(frames[0][0].value<QImage>().size(), QSize(64, 48));
  ASSERT_EQ(written.count(), 1);
  EXPECT_EQ(written[0][0].toString(), Movie());  // default extension added
  EXPECT_TRUE(written[0][1].toBool());
  EXPECT_EQ(ended.count(), 1);
  EXPECT_FALSE(form->Exporting());
  const auto movie = DecodeMovie(Movie().toStdString());
  ASSERT_EQ(movie.Frames.size(), 11u);
  EXPECT_EQ(movie.Width, 64);
  // The frames shown on the way are the movie's own, upright.
  EXPECT_EQ(frames[0][0].value<QImage>(), app::FrameImage(movie.Frames[0]));
  EXPECT_EQ(frames[10][0].value<QImage>(), app::FrameImage(movie.Frames[10]));
}

TEST_F(OutputAVIFormTest, AbortAnsweredNoGoesOnThenAbortDeletesMovie) {
  auto form = MakeForm();
  form->FormShow();
  // A file of that name from before survives an aborted export.
  WriteFile(dir_ / "movie.avi", "old");
  int frame = 0;
  QObject::connect(form.get(), &app::TOutputAVIForm::FrameRendered, [&] {
    ++frame;
    if (frame == 2) form->RequestAbort();  // Esc in the main window
    if (frame == 5) {
      QTest::mouseClick(form->RenderingForm()->findChild<QPushButton*>("AbortButton"),
                        Qt::LeftButton);
    }
  });
  QSignalSpy status(form.get(), &app::TOutputAVIForm::StatusText);
  QSignalSpy written(form.get(), &app::TOutputAVIForm::MovieWritten);
  script.answers = {false, true};
  EXPECT_FALSE(form->OutputMovie(Movie()));
  EXPECT_EQ(script.questions, (QStringList{"Abort outputing?", "Abort outputing?"}));
  EXPECT_EQ(frame, 5);
  ASSERT_EQ(status.count(), 1);
  EXPECT_EQ(status[0][0].toString(), "Output Aborted");
  EXPECT_EQ(written.count(), 0);
  EXPECT_EQ(ReadFile(dir_ / "movie.avi"), "old");
}

// The export's own movie dialog: the quality chosen there is the one the movie is written at.
TEST_F(OutputAVIFormTest, MovieDialogQualityGoesToTheMovie) {
  auto form = MakeForm();
  app::TFormDialogs d = Dialogs();
  int asked = -2;
  d.SaveMovie = [&](QWidget*, const QString&, const QString&, int& quality) {
    asked = quality;
    quality = 40;
    return QString::fromStdString((dir_ / "movie.mp4").string());
  };
  form->SetDialogs(d);
  options.Crf = 23;
  ASSERT_TRUE(form->OutputButtonLEDClick()) << script.errors.join("\n").toStdString();
  EXPECT_EQ(asked, 23);
  EXPECT_EQ(options.Crf, 40);
  EXPECT_TRUE(script.fileTitles.isEmpty());  // no second dialog
  const auto movie = DecodeMovie((dir_ / "movie.mp4").string());
  EXPECT_EQ(movie.Frames.size(), 11u);
}

}  // namespace
}  // namespace glkov::testing
