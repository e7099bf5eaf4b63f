#include "core/util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <system_error>
#include <thread>

#include "core/error.h"

namespace glkov {
namespace {

std::filesystem::path FolderOf(const std::filesystem::path& target) {
  const auto parent = target.parent_path();
  return parent.empty() ? std::filesystem::path(".") : parent;
}

std::string RandomSuffix() {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(8, 'x');
  for (char& c : s) c = kChars[rng() % (sizeof(kChars) - 1)];
  return s;
}

// Replacing a large file costs the disk tens of milliseconds to free the old file's blocks, and
// that work happens when the last reference to the old file goes. Commit() holds the file it
// replaces open across the rename and lets it go here: small files at once, large ones on a
// thread of their own, so that saving does not wait for the disk's book-keeping.
void ReleaseReplacedFile(int fd) {
  constexpr off_t kLarge = off_t{8} << 20;
  struct stat s {};
  if (::fstat(fd, &s) == 0 && S_ISREG(s.st_mode) && s.st_size >= kLarge) {
    try {
      std::thread([fd] { ::close(fd); }).detach();
      return;
    } catch (const std::system_error&) {
      // no thread to be had: release it here
    }
  }
  ::close(fd);
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target) : target_(std::move(target)) {
  const auto folder = FolderOf(target_);
#ifdef O_TMPFILE
  fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
  if (fd_ < 0) {
    // File systems without unnamed files: a hidden named file beside the target.
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
      temp_path_ = folder / ("." + target_.filename().string() + ".tmp-" + RandomSuffix());
      fd_ = ::open(temp_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
      temp_path_.clear();
      Fail("Cannot create", errno);
    }
  }
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !temp_path_.empty()) ::unlink(temp_path_.c_str());
}

void AtomicFile::Fail(std::string_view what, int err) const {
  throw Error(std::string(what) + " \"" + target_.string() + "\": " + std::strerror(err));
}

void AtomicFile::Write(const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", errno);
    }
    if (n == 0) Fail("Cannot write", EIO);
    p += n;
    size -= static_cast<size_t>(n);
    position_ += n;
  }
  if (position_ - started_ >= kWriteBehind) WriteBehind();
}

// A large file (a movie) goes to the disk while it is being written. The write-back of the newest
// window is started; the window before it, whose write-back has had a window's time, is waited
// for, made durable and dropped from the page cache. So the flush at Commit() has at most two
// windows left to write, the disk's own cache is emptied bit by bit instead of all at once at the
// end, and the movie does not push other files out of the page cache.
// A write error of the disk is reported to one flush only, so the one seen here stops the write
// at once (the flush at Commit() might not see it again); a file system that cannot do a step
// only loses the speed.
void AtomicFile::WriteBehind() {
  const auto check = [this](int result) {
    if (result != 0 && errno != EINVAL && errno != ENOSYS && errno != ESPIPE && errno != EROFS) {
      Fail("Cannot write", errno);
    }
  };
  check(::sync_file_range(fd_, started_, position_ - started_, SYNC_FILE_RANGE_WRITE));
  if (started_ > settled_) {
    check(::sync_file_range(
        fd_, settled_, started_ - settled_,
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER));
    check(::fdatasync(fd_));
    ::posix_fadvise(fd_, settled_, started_ - settled_, POSIX_FADV_DONTNEED);
    settled_ = started_;
  }
  started_ = position_;
}

int64_t AtomicFile::Seek(int64_t offset, int whence) {
  const off_t pos = ::lseek(fd_, offset, whence);
  if (pos < 0) Fail("Cannot write", errno);
  position_ = pos;  // writes behind the streamed part (header patches) wait for Commit()
  return pos;
}

void AtomicFile::Commit() {
  if (::fsync(fd_) != 0) Fail("Cannot write", errno);
  // The new file gets the permissions an ordinary new file would get.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd_, 0666 & ~mask);
  if (temp_path_.empty()) {
    // Give the unnamed file a temporary name, then move it over the target in one step.
    const auto folder = FolderOf(target_);
    const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 16; ++attempt) {
      auto candidate = folder / ("." + target_.filename().string() + ".tmp-" + RandomSuffix());
      if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        temp_path_ = std::move(candidate);
        break;
      }
      if (errno != EEXIST) Fail("Cannot write", errno);
    }
    if (temp_path_.empty()) Fail("Cannot write", EEXIST);
  }
  if (::close(fd_) != 0) {
    fd_ = -1;
    Fail("Cannot write", errno);
  }
  fd_ = -1;
  const int replaced = ::open(target_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (::rename(temp_path_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    if (replaced >= 0) ::close(replaced);
    Fail("Cannot write", err);
  }
  committed_ = true;
  if (replaced >= 0) ReleaseReplacedFile(replaced);
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view contents) {
  AtomicFile file(target);
  file.Write(contents);
  file.Commit();
}

}  // namespace glkov
