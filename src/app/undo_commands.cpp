#include "app/undo_commands.h"

namespace glkov::app {

TMeshEditCommand::TMeshEditCommand(TMainForm* form, const QString& text, const TMeshState& before,
                                   const TMeshState& after)
    : TAppliedCommand(text), form_(form), before_(before), after_(after) {}

void TMeshEditCommand::undo() { form_->ApplyMeshState(before_); }

void TMeshEditCommand::Redo() { form_->ApplyMeshState(after_); }

TProjectEditCommand::TProjectEditCommand(TMainForm* form, const QString& text,
                                         std::shared_ptr<const TProject> before,
                                         std::shared_ptr<const TProject> after)
    : TAppliedCommand(text), form_(form), before_(std::move(before)), after_(std::move(after)) {}

void TProjectEditCommand::undo() { form_->ApplyProjectSnapshot(*before_); }

void TProjectEditCommand::Redo() { form_->ApplyProjectSnapshot(*after_); }

TKeyEditCommand::TKeyEditCommand(TMainForm* form, const QString& text, const TTimeline& before,
                                 const TTimeline& after)
    : QUndoCommand(text),
      form_(form),
      before_(before),
      after_(after),
      region_(form->Project().CurrentRegion) {}

bool TKeyEditCommand::SameSubScene() const { return form_->Project().CurrentRegion == region_; }

void TKeyEditCommand::undo() {
  applied_ = false;
  if (!SameSubScene()) {
    setObsolete(true);
    return;
  }
  form_->ApplyTimelineState(before_);
}

void TKeyEditCommand::redo() {
  if (applied_) return;
  applied_ = true;
  if (!SameSubScene()) {
    setObsolete(true);
    return;
  }
  form_->ApplyTimelineState(after_);
}

}  // namespace glkov::app
