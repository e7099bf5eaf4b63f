#include "app/undo_commands.h"

namespace glkov::app {

TMeshEditCommand::TMeshEditCommand(TMainForm* form, const QString& text, const TMeshState& before,
                                   const TMeshState& after)
    : QUndoCommand(text), form_(form), before_(before), after_(after) {}

void TMeshEditCommand::undo() { form_->ApplyMeshState(before_); }

void TMeshEditCommand::redo() {
  if (applied_) {
    applied_ = false;
    return;
  }
  form_->ApplyMeshState(after_);
}

TProjectEditCommand::TProjectEditCommand(TMainForm* form, const QString& text,
                                         std::shared_ptr<const TProject> before,
                                         std::shared_ptr<const TProject> after)
    : QUndoCommand(text), form_(form), before_(std::move(before)), after_(std::move(after)) {}

void TProjectEditCommand::undo() { form_->ApplyProjectSnapshot(*before_); }

void TProjectEditCommand::redo() {
  if (applied_) {
    applied_ = false;
    return;
  }
  form_->ApplyProjectSnapshot(*after_);
}

}  // namespace glkov::app
