#pragma once

#include <QUndoCommand>
#include <memory>

#include "app/applied_command.h"
#include "app/main_form.h"

namespace glkov::app {

// An edit of the mesh of the current sub-scene: the values before and after. The edit has been
// applied when the command is pushed, so the first redo does nothing.
class TMeshEditCommand : public TAppliedCommand {
 public:
  TMeshEditCommand(TMainForm* form, const QString& text, const TMeshState& before,
                   const TMeshState& after);
  void undo() override;

 protected:
  void Redo() override;

 private:
  TMainForm* form_;
  TMeshState before_, after_;
};

// An edit that replaces whole pictures (an import): the project before and after.
class TProjectEditCommand : public TAppliedCommand {
 public:
  TProjectEditCommand(TMainForm* form, const QString& text, std::shared_ptr<const TProject> before,
                      std::shared_ptr<const TProject> after);
  void undo() override;

 protected:
  void Redo() override;

 private:
  TMainForm* form_;
  std::shared_ptr<const TProject> before_, after_;
};

// A key-frame edit of the timeline (record, clear, add, delete, count): the timeline before and
// after. It belongs to one sub-scene; once another sub-scene is entered it does nothing.
class TKeyEditCommand : public QUndoCommand {
 public:
  TKeyEditCommand(TMainForm* form, const QString& text, const TTimeline& before,
                  const TTimeline& after);
  void undo() override;
  void redo() override;

 private:
  bool SameSubScene() const;

  TMainForm* form_;
  TTimeline before_, after_;
  int region_;
  bool applied_ = true;
};

}  // namespace glkov::app
