#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"

namespace glkov::testing {

// A fresh, empty folder for one test, removed when the object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The repository's source folder, for sample files.
std::filesystem::path SourceDir();

// Whole-file helpers.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& contents);

// Runs glkov-cli with the given arguments; returns its exit status and fills the outputs.
int RunCli(const std::vector<std::string>& args, std::string* out = nullptr,
           std::string* err = nullptr);

// SHA-256 of bytes, as lower-case hex.
std::string Sha256Hex(const std::vector<uint8_t>& bytes);

}  // namespace glkov::testing
