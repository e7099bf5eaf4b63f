#pragma once

#include <string>

namespace glkov {

// What a core operation may ask of its caller on the way: questions, warnings, progress and
// abort requests. The desktop program answers with message boxes and progress windows, the
// command-line tool with its own defaults, tests with scripted answers. The defaults here are
// the head-less answers: every question is answered Yes, warnings and progress are dropped.
class UiCallbacks {
 public:
  virtual ~UiCallbacks() = default;

  // A Yes/No question ("Delete current keyframe?", "Abort outputing?"). True means Yes.
  virtual bool AskYesNo(const std::string& /*question*/) { return true; }

  // A message the desktop program shows in a box before it carries on.
  virtual void Warning(const std::string& /*message*/) {}

  // The system's default beep.
  virtual void Beep() {}

  // Progress of a long operation: a stage text and a percentage 0..100.
  virtual void Progress(const std::string& /*stage*/, int /*percent*/) {}

  // Lets pending window events run during long work.
  virtual void PumpEvents() {}

  // True while the user has asked a running export to stop and the request is not yet taken.
  virtual bool AbortRequested() { return false; }

  // Clears a pending abort request once the export has taken it.
  virtual void ClearAbortRequest() {}
};

// Answers every question Yes and ignores everything else.
inline UiCallbacks& DefaultCallbacks() {
  static UiCallbacks callbacks;
  return callbacks;
}

}  // namespace glkov
