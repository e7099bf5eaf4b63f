// The automatic background of the main window: "Fill Automatically" on the background page and
// in the Operations menu.
#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QProgressDialog>
#include <QSpinBox>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <memory>
#include <thread>

#include "app/main_form.h"
#include "app/undo_commands.h"
#include "core/config/ini_file.h"
#include "core/error.h"
#include "core/model/filled_background.h"
#include "core/vision/background_fill.h"

namespace glkov::app {

namespace {

constexpr int kMaxFillGrow = 50;

// What the worker thread and the window share: the percentage done and the user's cancel.
class TFillCallbacks : public UiCallbacks {
 public:
  void Progress(const std::string& /*stage*/, int percent) override { Percent = percent; }
  bool AbortRequested() override { return Cancel; }
  std::atomic<int> Percent{0};
  std::atomic<bool> Cancel{false};
};

}  // namespace

void TMainForm::CreateFillControls() {
  FillBackgroundAction = new QAction("&Fill Background Automatically", this);
  FillBackgroundAction->setObjectName("FillBackground1");
  FillBackgroundAction->setStatusTip("Fill the original picture under the mask along the planes");
  connect(FillBackgroundAction, &QAction::triggered, this,
          [this] { FillBackgroundAutomatically(); });
  if (auto* ops = findChild<QMenu*>(QStringLiteral("Operations1"))) {
    ops->addSeparator();
    ops->addAction(FillBackgroundAction);
  }
  auto* fill = new QToolButton(bottomPanel_[2]);
  fill->setObjectName("FillAutomaticallyButton");
  fill->setText("Fill Automatically");
  fill->setToolTip("Fill the original picture under the mask along the planes of the mesh");
  connect(fill, &QToolButton::clicked, FillBackgroundAction, &QAction::trigger);
  FillGrowSpin = new QSpinBox(bottomPanel_[2]);
  FillGrowSpin->setObjectName("FillGrowSpin");
  FillGrowSpin->setRange(0, kMaxFillGrow);
  FillGrowSpin->setValue(FillOptions{}.Grow);
  FillGrowSpin->setPrefix("Grow mask by ");
  FillGrowSpin->setSuffix(" pixels");
  FillGrowSpin->setToolTip(
      "How far the fill reaches past the objects of the mask, so that their "
      "fringes are not copied");
  if (auto* layout = qobject_cast<QHBoxLayout*>(bottomPanel_[2]->layout())) {
    layout->addWidget(fill);
    layout->addWidget(FillGrowSpin);
  }
}

void TMainForm::RestoreFillSettings(const IniFile& ini) {
  FillGrowSpin->setValue(std::clamp(
      ini.IntValue("Setting", "FillGrowSpin.Value", FillOptions{}.Grow), 0, kMaxFillGrow));
}

void TMainForm::StoreFillSettings(IniFile& ini) const {
  ini.SetValue("Setting", "FillGrowSpin.Value", FillGrowSpin->value());
}

bool TMainForm::FillBackgroundAutomatically() {
  if (!project_.OriginalLoaded || project_.IOriginal.Empty()) return false;
  if (project_.IMask.Empty()) {
    dialogs_.ShowError(this, "Load a mask picture first: it says what to fill.");
    return false;
  }
  auto before = std::make_shared<TProject>(project_);
  // The pictures the worker reads are its own copies; the geometry is the mesh as it is now.
  auto original = std::make_shared<const TFastBMP>(project_.IOriginal);
  auto mask = std::make_shared<const TFastBMP>(project_.IMask);
  const FillGeometry geometry = FillGeometryOf(project_);
  FillOptions options;
  options.Grow = FillGrowSpin->value();
  FillResult preview;
  if (!Run([&] { preview = FillBackgroundPreview(*original, *mask, options); })) return false;
  AcceptFilledBackground(project_, std::move(preview.Background));
  AfterProjectChanged();
  ShowPage(2);

  TFillCallbacks callbacks;
  FillResult result;
  std::exception_ptr failure;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      result = FillBackground(*original, *mask, geometry, options, callbacks);
    } catch (...) {
      failure = std::current_exception();
    }
    done = true;
  });
  QProgressDialog progress("Filling background... 0 %", "Cancel", 0, 100, this);
  progress.setObjectName("FillProgressDialog");
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(0);
  progress.setAutoReset(false);
  progress.setAutoClose(false);
  progress.show();
  do {
    const int percent = callbacks.Percent;
    const QString text = QString("Filling background... %1 %").arg(percent);
    progress.setValue(percent);
    progress.setLabelText(text);
    SetPanelText(4, text);
    if (progress.wasCanceled()) callbacks.Cancel = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  } while (!done);
  worker.join();
  // Cancel pressed as the fill ended still keeps the background as it was.
  if (progress.wasCanceled()) result.Cancelled = true;
  progress.close();
  SetPanelText(4, QString());
  if (failure || result.Cancelled) {
    project_ = *before;
    AfterProjectChanged();
    if (failure) {
      try {
        std::rethrow_exception(failure);
      } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(e.what()));
      }
    }
    return false;
  }
  AcceptFilledBackground(project_, std::move(result.Background));
  AfterProjectChanged();
  undo_->push(new TProjectEditCommand(this, "Fill Background", std::move(before),
                                      std::make_shared<TProject>(project_)));
  return true;
}

}  // namespace glkov::app
