#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "core/error.h"
#include "core/util/sha256.h"

namespace glkov::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "glkov-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests may make folders read-only; give the rights back before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path SourceDir() { return GLKOV_SOURCE_DIR; }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

namespace {
std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') {
      q += "'\\''";
    } else {
      q += c;
    }
  }
  return q + "'";
}
}  // namespace

int RunCli(const std::vector<std::string>& args, std::string* out, std::string* err) {
  TempDir dir;
  std::string cmd = Quote(GLKOV_CLI_PATH);
  for (const auto& a : args) cmd += " " + Quote(a);
  cmd +=
      " >" + Quote((dir / "out").string()) + " 2>" + Quote((dir / "err").string()) + " </dev/null";
  const int status = std::system(cmd.c_str());
  if (out) *out = ReadFile(dir / "out");
  if (err) *err = ReadFile(dir / "err");
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

nlohmann::json RunCliJson(const std::vector<std::string>& args) {
  std::string out, err;
  const int status = RunCli(args, &out, &err);
  EXPECT_EQ(status, 0) << err;
  const nlohmann::json j = nlohmann::json::parse(out, nullptr, false);
  EXPECT_FALSE(j.is_discarded()) << "not JSON: " << out;
  return j.is_discarded() ? nlohmann::json() : j;
}

void ExpectCliTable(const std::vector<CliCase>& cases, const std::filesystem::path& folder) {
  for (const CliCase& c : cases) {
    std::vector<std::string> args = c.args;
    std::string call;
    for (std::string& a : args) {
      if (a.starts_with('@')) a = folder.string() + a.substr(1);
      call += a + " ";
    }
    SCOPED_TRACE(call);
    std::string out, err;
    EXPECT_EQ(RunCli(args, &out, &err), c.status) << err;
    if (c.status != 0) {
      EXPECT_EQ(out, "");
      if (c.status == 1) {
        EXPECT_EQ(err.rfind("glkov-cli: ", 0), 0u) << err;
      }
    }
    EXPECT_NE((c.status == 0 ? out : err).find(c.message), std::string::npos) << out << err;
    if (c.field.empty()) continue;
    const nlohmann::json j = nlohmann::json::parse(out, nullptr, false);
    const nlohmann::json::json_pointer at(c.field);
    ASSERT_TRUE(!j.is_discarded() && j.contains(at)) << out;
    EXPECT_EQ(j.at(at), c.value);
  }
}

TFastBMP FilledPicture(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  TFastBMP picture(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = picture.Pixel(x, y);
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  return picture;
}

std::string Sha256Hex(const std::vector<uint8_t>& bytes) {
  return glkov::Sha256Hex(bytes.data(), bytes.size());
}

}  // namespace glkov::testing
