#include "support/child_process.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "core/error.h"
#include "support/test_support.h"

namespace glkov::testing {
namespace {

void WriteAll(int fd, const std::string& s) {
  size_t done = 0;
  while (done < s.size()) {
    const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

std::string ReadAll(int fd) {
  std::string s;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return s;
    s.append(buffer, static_cast<size_t>(n));
  }
}

// Length-prefixed fields, so messages may hold any byte.
void PutField(std::string& out, const std::string& field) {
  out += std::to_string(field.size()) + ":" + field;
}

bool TakeField(std::string_view& in, std::string& field) {
  const size_t colon = in.find(':');
  if (colon == std::string_view::npos) return false;
  const size_t n = std::stoul(std::string(in.substr(0, colon)));
  if (colon + 1 + n > in.size()) return false;
  field = std::string(in.substr(colon + 1, n));
  in.remove_prefix(colon + 1 + n);
  return true;
}

int g_report_fd = -1;

void StopInWrite(int) {
  const char k = 'K';
  [[maybe_unused]] const ssize_t n = ::write(g_report_fd, &k, 1);
  for (;;) ::pause();
}

}  // namespace

ChildRun RunInChildProcess(const std::function<std::string()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    try {
      const std::string result = fn();
      PutField(out, "R");
      PutField(out, result);
    } catch (const Error& e) {
      PutField(out, "E");
      PutField(out, e.what());
    } catch (const std::exception& e) {
      PutField(out, "X");
      PutField(out, e.what());
    }
    WriteAll(fds[1], out);
    ::_exit(0);
  }
  ::close(fds[1]);
  const std::string reply = ReadAll(fds[0]);
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  ChildRun run;
  if (WIFSIGNALED(status)) run.Signal = WTERMSIG(status);
  std::string_view in = reply;
  std::string kind, text;
  if (TakeField(in, kind) && TakeField(in, text)) {
    run.Returned = kind == "R";
    run.ThrewGlkovError = kind == "E";
    (run.Returned ? run.Output : run.Error) = text;
  }
  return run;
}

void LimitFileSize(uint64_t maxBytes, bool signalStops, int reportFd) {
  if (signalStops) {
    g_report_fd = reportFd;
    struct sigaction sa {};
    sa.sa_handler = &StopInWrite;
    ::sigaction(SIGXFSZ, &sa, nullptr);
  } else {
    ::signal(SIGXFSZ, SIG_IGN);
  }
  const rlimit limit{maxBytes, maxBytes};
  if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

KilledWrite KillDuringWrite(const std::filesystem::path& folder, uint64_t maxBytes,
                            const std::function<void()>& fn) {
  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::close(fds[0]);
    std::string out;
    try {
      LimitFileSize(maxBytes, true, fds[1]);
      fn();
      out = "R";
    } catch (const std::exception& e) {
      out = std::string("E") + e.what();
    }
    WriteAll(fds[1], out);
    ::_exit(0);
  }
  ::close(fds[1]);
  KilledWrite result;
  char first = 0;
  ssize_t n;
  do {
    n = ::read(fds[0], &first, 1);
  } while (n < 0 && errno == EINTR);
  if (n == 1 && first == 'K') {
    // The child waits inside its write: find the file it writes into the folder.
    std::error_code ec;
    const auto fdDir = std::filesystem::path("/proc") / std::to_string(pid) / "fd";
    for (const auto& entry : std::filesystem::directory_iterator(fdDir, ec)) {
      const auto link = std::filesystem::read_symlink(entry.path(), ec);
      if (ec || link.parent_path() != folder) continue;
      const auto size = std::filesystem::file_size(entry.path(), ec);
      if (!ec)
        result.BytesWritten = std::max<int64_t>(result.BytesWritten, static_cast<int64_t>(size));
    }
    ::kill(pid, SIGKILL);
    result.KilledMidWrite = true;
  } else {
    const std::string rest = (n == 1 ? std::string(1, first) : std::string()) + ReadAll(fds[0]);
    result.Finished = true;
    if (!rest.empty() && rest[0] == 'E') result.Error = rest.substr(1);
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (result.KilledMidWrite && !(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) {
    result.KilledMidWrite = false;
  }
  return result;
}

std::set<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

}  // namespace glkov::testing
