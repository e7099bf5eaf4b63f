#include <gtest/gtest.h>

#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

TEST(ImageInfoCli, ArgumentsStatusAndMessages) {
  testing::TempDir dir;
  const auto rle = testing::MakeBmp({4, 2, false, 40, {}, 0}, 13, 6);
  testing::WriteFile(dir / "rle4.bmp", rle.bytes);
  testing::WriteFile(dir / "cut.gif", "GIF89a\x05");
  const std::string walkway = (testing::SourceDir() / "examples/photos/walkway.jpg").string();
  const std::vector<testing::CliCase> cases = {
      {{"image-info", "@/rle4.bmp", "--json"},
       0,
       "",
       "/Sha256",
       testing::Sha256Hex(rle.expected.PackedPixels())},
      // The shipped photograph as libjpeg-turbo 2.1 decodes it.
      {{"image-info", "--json", walkway},
       0,
       "",
       "/Sha256",
       "071bcab9a83fbbaf0e954094703e80786b747e7f54633c37b6f59b6c627bdaea"},
      {{"image-info", "@/rle4.bmp", "--save", "@/out.bmp"}, 0, "13 x 6 pixels"},
      {{"image-info", "@/out.bmp", "--json"}, 0, "", "/Width", 13},
      {{"image-info", "@/missing.jpg"}, 1, "missing.jpg\": No such file or directory.\n"},
      {{"image-info", "@/cut.gif", "--json"}, 1, "Cannot read picture"},
      {{"image-info", "@/rle4.bmp", "--save", "@/none/out.bmp"}, 1},
      {{"image-info", "@/ok.txt"}, 1, "ok.txt\": unknown kind"},
      {{"image-info"}, 2},
      {{"image-info", "@/rle4.bmp", "--bogus"}, 2},
  };
  testing::ExpectCliTable(cases, dir.path());
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
}

}  // namespace
}  // namespace glkov
