#include "core/util/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

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
    unflushed_ += static_cast<size_t>(n);
  }
  // Large files (movies) go to the disk while they are being written, so that the flush at
  // Commit() does not wait for all of their data at once. This only starts the write-back.
  if (unflushed_ >= kWriteBehind) {
    ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
    unflushed_ = 0;
  }
}

int64_t AtomicFile::Seek(int64_t offset, int whence) {
  const off_t pos = ::lseek(fd_, offset, whence);
  if (pos < 0) Fail("Cannot write", errno);
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
  if (::rename(temp_path_.c_str(), target_.c_str()) != 0) Fail("Cannot write", errno);
  committed_ = true;
}

void WriteFileAtomically(const std::filesystem::path& target, std::string_view contents) {
  AtomicFile file(target);
  file.Write(contents);
  file.Commit();
}

}  // namespace glkov
