#include <gtest/gtest.h>

#include "core/image/picture_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

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

  // The first object's picture y tells which are found: 5 for the square (first in scan order),
  // 2 for the line alone.
  const std::vector<testing::CliCase> cases = {
      // The default: threshold 128 strict, minimum size 16.
      {{"extract", mask, "--json"}, 0, "", "/Objects/0/Y1", 2},
      {{"extract", mask, "--threshold", "127", "--no-min-size", "--json"},
       0,
       "",
       "/Objects/0/Y1",
       5},
      {{"extract", mask, "--threshold", "127", "--min-size", "3", "--json"},
       0,
       "",
       "/Objects/0/Y1",
       2},
      // Without --json: the extraction window's summary and table.
      {{"extract", mask},
       0,
       "1 Object(s) Extracted.\n#\tLeft\tTop\tRight\tBottom\n1\t5\t2\t24\t2\n"},
      {{"extract", "@/none.bmp"}, 1, "none.bmp"},
      {{"extract", "@/bad.bmp"}, 1, "bad.bmp"},
      {{"extract", mask, "--no-min-size", "--min-size", "4"}, 2},
      {{"extract", mask, "--threshold", "256"}, 2},
      {{"extract"}, 2},
  };
  testing::ExpectCliTable(cases, dir.path());
}

}  // namespace
}  // namespace glkov
