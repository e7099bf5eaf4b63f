#include "app/output_avi_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

#include "app/movie_file_dialog.h"
#include "app/output_option_form.h"
#include "app/rendering_form.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/output/avi_writer.h"
#include "core/output/export.h"
#include "core/output/movie_writer.h"
#include "core/util/text_format.h"

namespace glkov::app {

namespace {

// The export's questions, progress and frames, called on the export thread and carried over to
// the windows. Questions and frames wait until the window has taken them; progress does not.
class FormExportCallbacks : public ExportCallbacks {
 public:
  FormExportCallbacks(TOutputAVIForm& form, TRenderingForm& rendering, const TFormDialogs& dialogs,
                      std::atomic<bool>& abort)
      : form_(&form), rendering_(&rendering), dialogs_(dialogs), abort_(abort) {}

  bool AskYesNo(const std::string& question) override {
    bool answer = false;
    const QString text = QString::fromStdString(question);
    QMetaObject::invokeMethod(
        rendering_,
        [&] {
          QApplication::restoreOverrideCursor();
          answer = dialogs_.AskYesNo && dialogs_.AskYesNo(rendering_, text);
          QApplication::setOverrideCursor(Qt::WaitCursor);
        },
        Qt::BlockingQueuedConnection);
    return answer;
  }
  void Warning(const std::string& message) override {
    const QString text = QString::fromStdString(message);
    QMetaObject::invokeMethod(
        rendering_,
        [&] {
          if (dialogs_.Error) dialogs_.Error(rendering_, text);
        },
        Qt::BlockingQueuedConnection);
  }
  void Beep() override {
    QMetaObject::invokeMethod(
        rendering_, [] { QApplication::beep(); }, Qt::QueuedConnection);
  }
  void Progress(const std::string& stage, int percent) override {
    TRenderingForm* rendering = rendering_;
    const QString caption = QString::fromStdString(stage);
    QMetaObject::invokeMethod(
        rendering_,
        [rendering, caption, percent] {
          if (!caption.isEmpty()) rendering->setWindowTitle(caption);
          rendering->SetProgress(caption, percent);
        },
        Qt::QueuedConnection);
  }
  bool AbortRequested() override { return abort_.load(); }
  void ClearAbortRequest() override {
    abort_ = false;
    TRenderingForm* rendering = rendering_;
    QMetaObject::invokeMethod(
        rendering_, [rendering] { rendering->ClearAbortRequest(); }, Qt::BlockingQueuedConnection);
  }
  void FrameDone(const TFastBMP& frame, RowOrder rows) override {
    const QImage image =
        rows == RowOrder::TopDown ? FrameImage(frame) : FrameImage(frame).mirrored();
    TOutputAVIForm* form = form_;
    QMetaObject::invokeMethod(
        rendering_, [form, &image] { emit form->FrameRendered(image); },
        Qt::BlockingQueuedConnection);
  }

 private:
  TOutputAVIForm* form_;
  TRenderingForm* rendering_;
  const TFormDialogs& dialogs_;
  std::atomic<bool>& abort_;
};

QSpinBox* SizeEdit(QWidget* parent, const char* name, int value) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(name));
  s->setRange(1, 16384);
  s->setValue(value);
  return s;
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, bool checked) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(QString::fromLatin1(name));
  c->setChecked(checked);
  return c;
}

}  // namespace

QImage FrameImage(const TFastBMP& frame) {
  if (frame.Empty()) return {};
  QImage image(frame.Width(), frame.Height(), QImage::Format_RGB888);
  for (int y = 0; y < frame.Height(); ++y) {
    const uint8_t* src = frame.Row(y);
    uchar* dst = image.scanLine(y);
    for (int x = 0; x < frame.Width(); ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return image;
}

TOutputAVIForm::TOutputAVIForm(TProject& project, TTimeline& timeline, TOutputOptions& options,
                               RenderSwitches& switches, QWidget* parent)
    : TToolForm(QStringLiteral("TOutputAVIForm"), QStringLiteral("Output to AVI Animation File"),
                QString(), parent, true),
      project_(&project),
      timeline_(&timeline),
      options_(&options),
      switches_(&switches),
      initialFolder_(QCoreApplication::applicationDirPath()) {
  InfoMemo = new QPlainTextEdit(this);
  InfoMemo->setObjectName(QStringLiteral("InfoMemo"));
  InfoMemo->setReadOnly(true);
  InfoMemo->setMinimumHeight(100);

  auto* sizeBox = new QGroupBox(QStringLiteral(" Movie Size (In Pixels) "), this);
  WidthEdit = SizeEdit(sizeBox, "WidthEdit", options.Width);
  HeightEdit = SizeEdit(sizeBox, "HeightEdit", options.Height);
  CheckBox2 = CheckBox(sizeBox, "CheckBox2", QStringLiteral("&Maintain aspect ratio of"), false);
  CheckBox2->setEnabled(false);
  AspectEdit = new QLineEdit(QStringLiteral("1"), sizeBox);
  AspectEdit->setObjectName(QStringLiteral("AspectEdit"));
  AspectEdit->setEnabled(false);
  AspectEdit->setMinimumWidth(130);
  auto* widthLabel = new QLabel(QStringLiteral("&Width"), sizeBox);
  widthLabel->setBuddy(WidthEdit);
  auto* heightLabel = new QLabel(QStringLiteral("x   &Height"), sizeBox);
  heightLabel->setBuddy(HeightEdit);
  auto* sizeLayout = new QGridLayout(sizeBox);
  sizeLayout->addWidget(widthLabel, 0, 0);
  sizeLayout->addWidget(WidthEdit, 0, 1);
  sizeLayout->addWidget(heightLabel, 0, 2);
  sizeLayout->addWidget(HeightEdit, 0, 3);
  sizeLayout->addWidget(CheckBox2, 1, 0, 1, 2);
  sizeLayout->addWidget(AspectEdit, 1, 2);
  sizeLayout->addWidget(new QLabel(QStringLiteral("to 1"), sizeBox), 1, 3);

  GenMultiRegionCB =
      CheckBox(this, "GenMultiRegionCB", QStringLiteral("Generate and Connect All Scenes"),
               options.GenMultiRegion);
  PreviewCB = CheckBox(this, "PreviewCB", QStringLiteral("Preview"), options.Preview);
  CheckBox1 = CheckBox(this, "CheckBox1", QStringLiteral("Load &Player after Generating"),
                       options.LoadPlayer);

  CompressorCombo = new QComboBox(this);
  CompressorCombo->setObjectName(QStringLiteral("CompressorCombo"));
  CompressorCombo->addItem(QStringLiteral("Uncompressed"), QString());
  for (const AviCodecInfo& codec : ListAviCodecs()) {
    const QString name = QString::fromStdString(codec.Name);
    CompressorCombo->addItem(name + QStringLiteral(" - ") + QString::fromStdString(codec.LongName),
                             name);
  }
  const int current = CompressorCombo->findData(QString::fromStdString(options.Codec));
  CompressorCombo->setCurrentIndex(current < 0 ? 0 : current);
  auto* compressorLabel = new QLabel(QStringLiteral("&Compressor"), this);
  compressorLabel->setBuddy(CompressorCombo);

  Button1 = new QPushButton(QStringLiteral("More Options..."), this);
  Button1->setObjectName(QStringLiteral("Button1"));
  OutputButtonLED = new QPushButton(QStringLiteral("Output Movie"), this);
  OutputButtonLED->setObjectName(QStringLiteral("OutputButtonLED"));
  OutputButtonLED->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));

  auto* compressor = new QHBoxLayout;
  compressor->addWidget(compressorLabel);
  compressor->addWidget(CompressorCombo, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button1);
  buttons->addStretch(1);
  buttons->addWidget(OutputButtonLED);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(InfoMemo);
  layout->addWidget(sizeBox);
  layout->addWidget(GenMultiRegionCB);
  layout->addWidget(PreviewCB);
  layout->addWidget(CheckBox1);
  layout->addLayout(compressor);
  layout->addLayout(buttons);
  resize(420, sizeHint().height());

  connect(WidthEdit, &QSpinBox::valueChanged, this, &TOutputAVIForm::UpdateInfo);
  connect(HeightEdit, &QSpinBox::valueChanged, this, &TOutputAVIForm::UpdateInfo);
  connect(PreviewCB, &QCheckBox::toggled, this, &TOutputAVIForm::UpdateInfo);
  connect(Button1, &QPushButton::clicked, this, &TOutputAVIForm::Button1Click);
  connect(OutputButtonLED, &QPushButton::clicked, this, [this] { OutputButtonLEDClick(); });
  connect(CancelButton, &QPushButton::clicked, this, &QWidget::close);
}

TOutputAVIForm::~TOutputAVIForm() = default;

void TOutputAVIForm::SetDisplaySize(int width, int height) {
  displayWidth_ = width;
  displayHeight_ = height;
}

void TOutputAVIForm::showEvent(QShowEvent* event) {
  FormShow();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  QWidget::showEvent(event);
}

void TOutputAVIForm::FormShow() {
  if (project_->PicHeight > 0) {
    AspectEdit->setText(QString::fromStdString(
        FormatG15(static_cast<double>(project_->PicWidth) / project_->PicHeight)));
    AspectEdit->setCursorPosition(0);
  }
  WidthEdit->setValue(displayWidth_);
  HeightEdit->setValue(displayHeight_);
  UpdateInfo();
}

void TOutputAVIForm::UpdateInfo() {
  ExportInfoInput in;
  in.KeyFrameCount = timeline_->KeyCount();
  in.FramesPerKey = timeline_->FPK;
  in.FramesPerSecond = timeline_->FPS;
  in.Master = timeline_->MasterFrameRateFactor();
  try {
    in.ColorCount = ColorCountOfItem(options_->ColorDepthItem);
  } catch (const Error&) {
    in.ColorCount = 65536;
  }
  in.Width = WidthEdit->value();
  in.Height = HeightEdit->value();
  in.Preview = PreviewCB->isChecked();
  QStringList lines;
  for (const std::string& line : ExportInfoLines(in)) lines << QString::fromStdString(line);
  InfoMemo->setPlainText(lines.join(QLatin1Char('\n')));
}

QStringList TOutputAVIForm::InfoLines() const {
  return InfoMemo->toPlainText().split(QLatin1Char('\n'));
}

void TOutputAVIForm::StoreControls() {
  options_->Width = WidthEdit->value();
  options_->Height = HeightEdit->value();
  options_->GenMultiRegion = GenMultiRegionCB->isChecked();
  options_->Preview = PreviewCB->isChecked();
  options_->LoadPlayer = CheckBox1->isChecked();
  options_->Codec = CompressorCombo->currentData().toString().toStdString();
}

void TOutputAVIForm::Button1Click() {
  TOutputOptionForm form(*options_, this);
  connect(&form, &TOutputOptionForm::OptionsChanged, this, &TOutputAVIForm::UpdateInfo);
  ExecDialog(form);
  UpdateInfo();
}

bool TOutputAVIForm::OutputButtonLEDClick() {
  if (Exporting() || !dialogs_.SaveFile) return false;
  // Say what is missing before asking for a name.
  StoreControls();
  try {
    ExportRequest request;
    request.Options = *options_;
    request.SingleScene = singleScene_;
    CheckSomethingToExport(*project_, request);
  } catch (const std::exception& e) {
    if (dialogs_.Error) dialogs_.Error(this, QString::fromStdString(e.what()));
    return false;
  }
  QString name;
  if (dialogs_.SaveMovie) {
    name = dialogs_.SaveMovie(this, QStringLiteral("Output Movie"), initialFolder_, options_->Crf);
  } else {
    name = dialogs_.SaveFile(this, QStringLiteral("Output Movie"), initialFolder_,
                             MovieFileFilter(), QStringLiteral("avi"));
  }
  if (name.isEmpty()) return false;
  initialFolder_ = QFileInfo(name).absolutePath();
  // A PNG name without a frame-number field becomes a numbered sequence of that name.
  const std::string movie =
      PngSequenceName(WithDefaultExtension(name, QStringLiteral("avi")).toStdString());
  return OutputMovie(QString::fromStdString(movie));
}

bool TOutputAVIForm::OutputMovie(const QString& fileName) {
  if (Exporting()) return false;
  StoreControls();
  ExportRequest request;
  request.FileName = fileName.toStdString();
  request.Options = *options_;
  request.Switches = *switches_;
  request.SingleScene = singleScene_;
  if (ExtractionOptions) request.Extraction = ExtractionOptions();
  close();

  auto rendering = std::make_unique<TRenderingForm>(parentWidget());
  rendering->setWindowModality(Qt::ApplicationModal);
  rendering->SetFileName(fileName);
  rendering->show();
  rendering_ = rendering.get();
  abort_ = false;
  connect(rendering.get(), &TRenderingForm::AbortClicked, this, [this] { abort_ = true; });
  emit ExportStarted();
  if (rendering->AbortRequested()) abort_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = false;
  bool aborted = false;
  QString error;
  // The export draws with an OpenGL context of its own on a thread of its own, from copies of
  // the project and the rates, so that the windows go on painting with theirs meanwhile.
  TProject project = *project_;
  StoreWorkingRegion(project);  // the export enters each sub-scene afresh: take the edits along
  TTimeline timeline(project);
  timeline.FPS = timeline_->FPS;
  timeline.FPK = timeline_->FPK;
  timeline.Trans = timeline_->Trans;
  timeline.MFRFEdit = timeline_->MFRFEdit;
  FormExportCallbacks callbacks(*this, *rendering, dialogs_, abort_);
  std::unique_ptr<QThread> thread(QThread::create([&] {
    try {
      const ExportResult result = ExportAnimation(project, timeline, request, callbacks);
      aborted = result.Aborted;
      ok = !aborted;
    } catch (const std::exception& e) {
      error = QString::fromStdString(e.what());
    }
  }));
  QEventLoop loop;
  connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
  thread->start();
  loop.exec();
  thread->wait();
  QApplication::restoreOverrideCursor();
  rendering_ = nullptr;
  rendering->close();
  rendering.reset();
  emit ExportEnded();
  if (aborted) emit StatusText(QStringLiteral("Output Aborted"));
  if (!error.isEmpty() && dialogs_.Error) dialogs_.Error(this, error);
  if (ok) emit MovieWritten(fileName, options_->LoadPlayer);
  return ok;
}

void TOutputAVIForm::RequestAbort() {
  if (Exporting()) abort_ = true;
}

void TOutputAVIForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    if (Exporting()) {
      RequestAbort();
    } else {
      close();
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace glkov::app
