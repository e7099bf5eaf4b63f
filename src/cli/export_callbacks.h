#pragma once

// What a long export tells on the command line: a progress line on standard error when it is a
// terminal; Ctrl+C asks to stop like the progress window's "Abort" (the question is answered Yes).

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iomanip>
#include <iostream>
#include <string>

#include "core/output/export.h"

namespace glkov::cli {

class CliExportCallbacks : public ExportCallbacks {
 public:
  CliExportCallbacks() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  ~CliExportCallbacks() override { EndLine(); }

  bool AskYesNo(const std::string& /*question*/) override { return true; }
  void Warning(const std::string& message) override {
    EndLine();
    std::cerr << "glkov-cli: warning: " << message << "\n";
  }
  void Progress(const std::string& stage, int percent) override {
    if (!terminal_ || (stage == stage_ && percent == percent_)) return;
    stage_ = stage;
    percent_ = percent;
    std::cerr << "\r" << stage << " " << std::setw(3) << percent << "%" << std::flush;
    open_ = true;
  }
  bool AbortRequested() override { return Interrupted(); }
  void ClearAbortRequest() override { Interrupted() = false; }

  void EndLine() {
    if (open_) std::cerr << "\n";
    open_ = false;
  }

  static std::atomic<bool>& Interrupted() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
  }

 private:
  bool terminal_;
  bool open_ = false;
  std::string stage_;
  int percent_ = -1;
};

extern "C" inline void OnExportInterrupt(int /*signal*/) {
  CliExportCallbacks::Interrupted() = true;
}

// Runs work with Ctrl+C turned into an abort request; the previous handler is back afterwards.
template <class Fn>
auto WithInterruptAsAbort(Fn&& work) {
  CliExportCallbacks::Interrupted() = false;
  struct sigaction action {};
  action.sa_handler = OnExportInterrupt;
  sigemptyset(&action.sa_mask);
  struct sigaction previous {};
  ::sigaction(SIGINT, &action, &previous);
  struct Restore {
    struct sigaction* previous;
    ~Restore() { ::sigaction(SIGINT, previous, nullptr); }
  } restore{&previous};
  return work();
}

// The export's end on an abort: "Output Aborted" and exit status 130.
[[noreturn]] inline void ExitAborted() {
  std::cerr << "glkov-cli: Output Aborted\n";
  std::exit(130);
}

}  // namespace glkov::cli
