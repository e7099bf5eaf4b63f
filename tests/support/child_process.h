#pragma once

// Running a piece of a test in a forked child process: to give it limits (file size, mounts,
// rights) that must not touch the test program, or to kill it half-way through a write.

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <type_traits>

namespace glkov::testing {

// What a function run in a child process did.
struct ChildRun {
  bool Returned = false;  // the function returned normally
  std::string Output;     // what it returned (functions returning std::string)
  std::string Error;      // what() of the exception it threw (glkov::Error or other)
  bool ThrewGlkovError = false;
  int Signal = 0;  // the signal that ended the child, 0 when it exited
};

// Runs fn in a forked child process and reports back through a pipe. The child ends with
// _exit, so nothing of the test program's state is torn down twice.
ChildRun RunInChildProcess(const std::function<std::string()>& fn);

template <class Fn>
ChildRun RunInChild(Fn&& fn) {
  return RunInChildProcess([&fn]() -> std::string {
    if constexpr (std::is_void_v<std::invoke_result_t<Fn&>>) {
      fn();
      return {};
    } else {
      return fn();
    }
  });
}

// Runs fn in a child whose files may not grow beyond maxBytes, SIGXFSZ ignored, so a write past
// the limit fails with EFBIG ("File too large"): a file system that fills up during the write.
// Sets RLIMIT_FSIZE of this process. With signalStops the SIGXFSZ a write past the limit raises
// reports on reportFd (one byte) and then waits for ever, so a parent can kill the process in the
// middle of the write; without it SIGXFSZ is ignored.
void LimitFileSize(uint64_t maxBytes, bool signalStops, int reportFd = -1);

template <class Fn>
ChildRun RunWithFileSizeLimit(uint64_t maxBytes, Fn&& fn) {
  return RunInChild([&]() {
    LimitFileSize(maxBytes, false);
    return fn();
  });
}

// What became of a child that was killed (SIGKILL) in the middle of a write.
struct KilledWrite {
  bool KilledMidWrite = false;  // the child was stopped inside a write and then killed
  bool Finished = false;        // it finished (or failed) before it got to maxBytes
  std::string Error;            // its error when it failed
  int64_t BytesWritten = 0;     // size of the file it was writing when it was killed
};

// Runs fn in a child that is killed with SIGKILL as soon as a write of it passes maxBytes (the
// file size limit stops it there). The size of the file being written into folder is read from
// the child's open descriptors before the kill.
KilledWrite KillDuringWrite(const std::filesystem::path& folder, uint64_t maxBytes,
                            const std::function<void()>& fn);

}  // namespace glkov::testing
