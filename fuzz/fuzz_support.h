#pragma once
// Shared helpers of the fuzz targets: a scratch folder of this process and writing an input
// into it, because the readers under test take file names.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace glkov::fuzz {

// A folder under TMPDIR (default /tmp) that lives as long as the process.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "glkov-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("glkov fuzz: mkdtemp");
      std::abort();
    }
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The scratch folder shared by the process (removed at exit).
inline const ScratchDir& Scratch() {
  static ScratchDir dir;
  return dir;
}

// Writes the bytes to Scratch()/name and returns the full path; aborts when that fails, since the
// harness, not the reader, would be at fault.
inline std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  std::filesystem::path path = Scratch().Path() / name;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || (size > 0 && std::fwrite(data, 1, size, file) != size) ||
      std::fclose(file) != 0) {
    std::perror("glkov fuzz: writing the input");
    std::abort();
  }
  return path.string();
}

}  // namespace glkov::fuzz
