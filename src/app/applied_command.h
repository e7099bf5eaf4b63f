#pragma once

#include <QUndoCommand>

namespace glkov::app {

// An edit that has already been made when its command is pushed: the redo that pushing calls
// does nothing, later redos call Redo().
class TAppliedCommand : public QUndoCommand {
 public:
  using QUndoCommand::QUndoCommand;

  void redo() final {
    if (pushed_) {
      pushed_ = false;
      return;
    }
    Redo();
  }

 protected:
  virtual void Redo() = 0;

 private:
  bool pushed_ = true;
};

}  // namespace glkov::app
