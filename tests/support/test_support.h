#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov::testing {

// The one recording stand-in for the windows in core tests: answers questions from a script (Yes
// when it runs out) and records everything it is told.
class ScriptedCallbacks : public UiCallbacks {
 public:
  std::deque<bool> Answers;
  std::vector<std::string> Questions;
  std::vector<std::string> Warnings;
  std::vector<std::string> Stages;  // progress reports, with Percents
  std::vector<int> Percents;
  int Beeps = 0;
  int Pumps = 0;

  bool AskYesNo(const std::string& question) override {
    Questions.push_back(question);
    if (Answers.empty()) return true;
    const bool a = Answers.front();
    Answers.pop_front();
    return a;
  }
  void Warning(const std::string& message) override { Warnings.push_back(message); }
  void Beep() override { ++Beeps; }
  void Progress(const std::string& stage, int percent) override {
    Stages.push_back(stage);
    Percents.push_back(percent);
  }
  void PumpEvents() override { ++Pumps; }
};

// The message of the glkov::Error that f throws; "(no error)" when it returns.
template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

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

// Names of the entries of a folder, hidden ones included.
std::set<std::string> FolderEntries(const std::filesystem::path& folder);

// Whole-file helpers.
std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& contents);

// Runs glkov-cli with the given arguments; returns its exit status and fills the outputs.
int RunCli(const std::vector<std::string>& args, std::string* out = nullptr,
           std::string* err = nullptr);

// Runs glkov-cli, expects exit status 0 and returns its standard output parsed as JSON (null,
// with a test failure, when it is not).
nlohmann::json RunCliJson(const std::vector<std::string>& args);

// One row of a command-line table: the arguments ("@" at the start of one stands for the test's
// folder), the exit status, a part of the message (standard error when the call fails, standard
// output when it succeeds) and, for a JSON answer, one field (a JSON pointer) with its value.
struct CliCase {
  CliCase(std::vector<std::string> a, int s = 0, std::string m = "", std::string f = "",
          nlohmann::json v = nullptr)
      : args(std::move(a)),
        status(s),
        message(std::move(m)),
        field(std::move(f)),
        value(std::move(v)) {}
  std::vector<std::string> args;
  int status;
  std::string message;
  std::string field;
  nlohmann::json value;
};

// Runs the rows in order (a row may read what an earlier one wrote). A failure prints nothing on
// standard output, and a status of 1 comes with "glkov-cli: " and the message on standard error.
void ExpectCliTable(const std::vector<CliCase>& cases, const std::filesystem::path& folder);

// A w x h picture of one colour (bytes in the picture's blue, green, red order).
TFastBMP FilledPicture(int w, int h, uint8_t b, uint8_t g, uint8_t r);

// SHA-256 of bytes, as lower-case hex.
std::string Sha256Hex(const std::vector<uint8_t>& bytes);

}  // namespace glkov::testing
