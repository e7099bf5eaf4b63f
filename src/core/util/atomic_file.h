#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace glkov {

// Writes a file so that the previous file of that name survives every failure: the data goes to
// an unnamed temporary file in the target's folder (O_TMPFILE, or a hidden named one where the
// file system has no unnamed files) and Commit() links it over the target. Without Commit() the
// destructor discards the temporary file, so an error or an abort leaves no stray file; with an
// unnamed temporary file not even a killed process leaves one.
// Every method throws glkov::Error naming the file and the cause.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path target);
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  void Write(const void* data, size_t size);
  void Write(std::string_view text) { Write(text.data(), text.size()); }

  // Moves the write position (for writers that patch headers afterwards); returns the new one.
  int64_t Seek(int64_t offset, int whence);

  // The open descriptor, for libraries that write through their own I/O callbacks.
  int Fd() const { return fd_; }
  const std::filesystem::path& Target() const { return target_; }

  // Flushes to disk and puts the file in place of the target.
  void Commit();

 private:
  [[noreturn]] void Fail(std::string_view what, int err) const;
  void WriteBehind();

  std::filesystem::path target_;
  std::filesystem::path temp_path_;  // empty while the temporary file has no name
  int fd_ = -1;
  bool committed_ = false;

  // Large files stream to the disk while they are written, in windows of this size: see
  // WriteBehind().
  static constexpr int64_t kWriteBehind = int64_t{4} << 20;
  int64_t position_ = 0;  // of the next write
  int64_t started_ = 0;   // write-back has been started for [0, started_)
  int64_t settled_ = 0;   // [0, settled_) is on the disk and out of the page cache
};

// Writes a whole buffer through an AtomicFile.
void WriteFileAtomically(const std::filesystem::path& target, std::string_view contents);

}  // namespace glkov
