#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/image/picture_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

// The command line's options reach the extraction (its rules are tested in extraction_test):
// arguments, exit status, what standard error says, and one field of the answer. The mask is
// 30 x 10 with a 3 x 3 square of red 128 at columns 5..7, rows 2..4, and a 20 x 1 line at row 7.
TEST(CliExtract, OptionsStatusAndAnswer) {
  TempDir dir;
  TFastBMP m(30, 10);
  for (int r = 2; r <= 4; ++r)
    for (int x = 5; x <= 7; ++x) m.Pixel(x, r)[2] = 128;
  for (int x = 5; x <= 24; ++x) m.Pixel(x, 7)[2] = 255;
  const std::string mask = (dir / "mask.bmp").string();
  SaveBMP(mask, m);
  testing::WriteFile(dir / "bad.bmp", "BM this is not a picture");

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string error;  // part of standard error
    int objects;        // with --json
    int firstY1;        // picture y (rows from the bottom) of the first object
  };
  const std::string none = (dir / "none.bmp").string(), bad = (dir / "bad.bmp").string();
  const std::vector<Case> cases = {
      {{"extract", mask}, 0, "", 1, 2},  // default: threshold 128 strict, minimum size 16
      {{"extract", mask, "--threshold", "127", "--no-min-size"}, 0, "", 2, 5},
      {{"extract", mask, "--threshold", "127", "--min-size", "2"}, 0, "", 2, 5},
      {{"extract", mask, "--threshold", "127", "--min-size", "3"}, 0, "", 1, 2},
      {{"extract", none}, 1, "none.bmp", 0, 0},
      {{"extract", bad}, 1, "bad.bmp", 0, 0},
      {{"extract", mask, "--no-min-size", "--min-size", "4"}, 2, "", 0, 0},
      {{"extract", mask, "--threshold", "256"}, 2, "", 0, 0},
      {{"extract"}, 2, "", 0, 0},
  };
  for (Case c : cases) {
    c.args.push_back("--json");
    std::string out, err;
    ASSERT_EQ(RunCli(c.args, &out, &err), c.status) << c.args[1] << " " << err;
    if (c.status != 0) {
      EXPECT_EQ(out, "");
      EXPECT_NE(err.find(c.error), std::string::npos) << err;
      continue;
    }
    const nlohmann::json objs = nlohmann::json::parse(out)["Objects"];
    ASSERT_EQ(objs.size(), static_cast<size_t>(c.objects)) << out;
    EXPECT_EQ(objs[0]["Y1"], c.firstY1) << out;
  }

  // Without --json: the extraction window's summary and table.
  std::string out;
  ASSERT_EQ(RunCli({"extract", mask}, &out), 0);
  EXPECT_EQ(out, "1 Object(s) Extracted.\n#\tLeft\tTop\tRight\tBottom\n1\t5\t2\t24\t2\n");
}

}  // namespace
}  // namespace glkov
