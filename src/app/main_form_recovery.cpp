// Crash recovery of the main window: the project with unsaved changes is written to a recovery
// file every two minutes and a few seconds after each burst of undoable edits; the next start
// after a crash offers it back; a save or a close removes it.

#include <QFileInfo>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>
#include <ctime>

#include "app/main_form.h"
#include "app/settings.h"
#include "core/error.h"
#include "core/model/project_file.h"
#include "core/model/recovery.h"

namespace glkov::app {
namespace {

constexpr int kRecoveryPeriodMs = 2 * 60 * 1000;
// Quiet time after the last edit of a burst before the recovery is written.
constexpr int kRecoveryBurstMs = 3000;

// Warnings while restoring go to the error box.
class TRecoveryCallbacks : public UiCallbacks {
 public:
  TRecoveryCallbacks(QWidget* parent, TDialogs& dialogs) : parent_(parent), dialogs_(dialogs) {}
  void Warning(const std::string& message) override {
    if (dialogs_.ShowError) dialogs_.ShowError(parent_, QString::fromStdString(message));
  }

 private:
  QWidget* parent_;
  TDialogs& dialogs_;
};

}  // namespace

QString TMainForm::RecoveryFolder() const {
  return QFileInfo(UserSettingsFileName()).absolutePath();
}

void TMainForm::StartRecovery() {
  recoveryTimer_ = new QTimer(this);
  recoveryTimer_->setObjectName("RecoveryTimer");
  recoveryTimer_->setInterval(kRecoveryPeriodMs);
  connect(recoveryTimer_, &QTimer::timeout, this, [this] { WriteRecoveryNow(); });
  recoveryTimer_->start();
  recoveryBurst_ = new QTimer(this);
  recoveryBurst_->setObjectName("RecoveryBurstTimer");
  recoveryBurst_->setSingleShot(true);
  recoveryBurst_->setInterval(kRecoveryBurstMs);
  connect(recoveryBurst_, &QTimer::timeout, this, [this] { WriteRecoveryNow(); });
  connect(undo_, &QUndoStack::indexChanged, recoveryBurst_, qOverload<>(&QTimer::start));
  recoveryArmed_ = true;
}

bool TMainForm::WriteRecoveryNow() {
  if (!recoveryArmed_ || !project_.Modified || project_.MeshRegions.size() < 2) return false;
  try {
    WriteRecovery(project_, RecoveryFolder().toStdString(), std::time(nullptr));
    return true;
  } catch (const std::exception& e) {
    // Not worth a message box every two minutes: the status bar tells it for a while.
    statusBar()->showMessage(QString::fromStdString(e.what()), 10000);
    return false;
  }
}

void TMainForm::DropRecovery() {
  if (!recoveryArmed_) return;
  if (recoveryBurst_) recoveryBurst_->stop();
  RemoveRecovery(RecoveryFolder().toStdString());
}

bool TMainForm::OfferRecovery() {
  const std::string folder = RecoveryFolder().toStdString();
  const auto info = FindRecovery(folder);
  if (!info) return false;
  if (!dialogs_.AskYesNo(this, QString::fromStdString(RecoveryQuestion(*info)), "Comfirmation")) {
    RemoveRecovery(folder);
    return false;
  }
  // The recovery stays on disk until the restored work is saved or closed.
  recoveryArmed_ = false;
  CloseProject();
  ResetMeshDefaults(project_);
  TRecoveryCallbacks callbacks(this, dialogs_);
  const bool ok = Run([&] { RestoreRecovery(project_, timeline_, folder, callbacks); });
  AfterProjectChanged();
  recoveryArmed_ = true;
  if (!ok) return false;
  project_.Modified = true;
  SetTitle(project_.ProjectFileName.empty()
               ? QString("Untitled")
               : QString::fromStdString(ProjectTitle(project_.ProjectFileName)));
  ShowPage(project_.Page);
  ShowWorkArea(true);
  return true;
}

}  // namespace glkov::app
