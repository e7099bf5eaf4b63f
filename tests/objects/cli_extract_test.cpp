#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/image/picture_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

// A 10 x 10 black mask with a 3 x 3 square of red value v at rows 2..4, columns 5..7, and a
// 1 x 20 line at row 7 of a wider picture when wide is set.
std::string WriteMask(const TempDir& dir, uint8_t v = 255, bool wide = false) {
  TFastBMP m(wide ? 30 : 10, 10);
  for (int r = 2; r <= 4; ++r)
    for (int x = 5; x <= 7; ++x) m.Pixel(x, r)[2] = v;
  if (wide)
    for (int x = 5; x <= 24; ++x) m.Pixel(x, 7)[2] = 255;
  const std::string path = (dir / "mask.bmp").string();
  SaveBMP(path, m);
  return path;
}

nlohmann::json Objects(const std::vector<std::string>& args) {
  return testing::RunCliJson(args)["Objects"];
}

TEST(CliExtract, WorkedSquare) {
  TempDir dir;
  const std::string mask = WriteMask(dir);
  const nlohmann::json objs = Objects({"extract", mask, "--no-min-size", "--json"});
  ASSERT_EQ(objs.size(), 1u);
  EXPECT_EQ(objs[0]["X1"], 5);
  EXPECT_EQ(objs[0]["Y1"], 5);
  EXPECT_EQ(objs[0]["X2"], 7);
  EXPECT_EQ(objs[0]["Y2"], 7);
  EXPECT_TRUE(Objects({"extract", mask, "--json"}).empty());  // minimum 16 by default
  EXPECT_EQ(Objects({"extract", mask, "--min-size", "2", "--json"}).size(), 1u);
  EXPECT_TRUE(Objects({"extract", mask, "--min-size", "3", "--json"}).empty());

  std::string out;
  ASSERT_EQ(RunCli({"extract", mask, "--no-min-size"}, &out), 0);
  EXPECT_EQ(out, "1 Object(s) Extracted.\n#\tLeft\tTop\tRight\tBottom\n1\t5\t5\t7\t7\n");

  // The threshold is strict: red 128 is dark at the default 128.
  const std::string dim = WriteMask(dir, 128);
  EXPECT_TRUE(Objects({"extract", dim, "--no-min-size", "--json"}).empty());
  EXPECT_EQ(Objects({"extract", dim, "--no-min-size", "--threshold", "127", "--json"}).size(), 1u);
}

TEST(CliExtract, ListOrderAndPictureY) {
  TempDir dir;
  const std::string mask = WriteMask(dir, 255, true);
  const nlohmann::json objs = Objects({"extract", mask, "--json"});
  ASSERT_EQ(objs.size(), 1u);  // the square is too small, the line is kept
  EXPECT_EQ(objs[0]["X1"], 5);
  EXPECT_EQ(objs[0]["Y1"], 2);
  EXPECT_EQ(objs[0]["X2"], 24);
  const nlohmann::json all = Objects({"extract", mask, "--no-min-size", "--json"});
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]["X2"], 7);
  EXPECT_EQ(all[1]["X2"], 24);
}

TEST(CliExtract, ErrorsAndUsage) {
  TempDir dir;
  testing::ExpectCliFails({"extract", (dir / "none.bmp").string(), "--json"}, 1, "none.bmp");
  testing::WriteFile(dir / "bad.bmp", "BM this is not a picture");
  testing::ExpectCliFails({"extract", (dir / "bad.bmp").string()}, 1, "bad.bmp");
  const std::string mask = WriteMask(dir);
  testing::ExpectCliFails({"extract", mask, "--no-min-size", "--min-size", "4"}, 2);
  testing::ExpectCliFails({"extract", mask, "--threshold", "256"}, 2);
  testing::ExpectCliFails({"extract"}, 2);
}

}  // namespace
}  // namespace glkov
