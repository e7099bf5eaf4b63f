#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::TempDir;

// A 100 x 80 light picture with a dark 40 x 30 box at columns 30..69, rows 20..49 (picture y
// 30..59).
std::string WritePicture(const TempDir& dir) {
  TFastBMP p = testing::FilledPicture(100, 80, 200, 210, 220);
  for (int y = 20; y <= 49; ++y)
    for (int x = 30; x <= 69; ++x) p.Pixel(x, y)[0] = p.Pixel(x, y)[1] = p.Pixel(x, y)[2] = 40;
  const std::string path = (dir / "photo.bmp").string();
  SaveBMP(path, p);
  return path;
}

struct MaskCase {
  const char* name;
  std::vector<std::string> args;
  int pixelsMin, pixelsMax;
  std::vector<std::array<int, 4>> objects;  // X1, Y1, X2, Y2 (picture y up), within tolerance
  int tolerance;
  bool grey;  // grey pixels in the written mask
};

class CliMask : public ::testing::TestWithParam<MaskCase> {};

TEST_P(CliMask, WritesTheUnion) {
  const MaskCase& c = GetParam();
  TempDir dir;
  const std::string out = (dir / "mask.png").string();
  std::vector<std::string> args{"mask", WritePicture(dir), "-o", out, "--json"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const nlohmann::json j = testing::RunCliJson(args);
  EXPECT_EQ(j["Width"], 100);
  EXPECT_EQ(j["Height"], 80);
  EXPECT_GE(j["Pixels"].get<int>(), c.pixelsMin);
  EXPECT_LE(j["Pixels"].get<int>(), c.pixelsMax);
  ASSERT_EQ(j["Objects"].size(), c.objects.size());
  for (size_t i = 0; i < c.objects.size(); ++i) {
    const char* keys[] = {"X1", "Y1", "X2", "Y2"};
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(j["Objects"][i][keys[k]].get<int>(), c.objects[i][k], c.tolerance)
          << c.name << " object " << i << " " << keys[k];
    }
  }
  TFastBMP mask;
  LoadPictureFile(out, mask);
  int grey = 0;
  for (int y = 0; y < mask.Height(); ++y)
    for (int x = 0; x < mask.Width(); ++x) grey += mask.Pixel(x, y)[2] % 255 != 0;
  EXPECT_EQ(grey > 0, c.grey) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CliMask,
    ::testing::Values(
        MaskCase{"polygon",
                 {"--polygon", "10,5,29,5,29,24,10,24"},
                 400,
                 400,
                 {{10, 55, 29, 74}},
                 0,
                 false},
        MaskCase{"two_polygons",
                 {"--polygon", "10,5,29,5,29,24,10,24", "--polygon", "75,60,94,60,94,77,75,77"},
                 760,
                 760,
                 {{10, 55, 29, 74}, {75, 2, 94, 19}},
                 0,
                 false},
        MaskCase{"box", {"--box", "20,10,79,59"}, 1100, 1300, {{30, 30, 69, 59}}, 2, false},
        MaskCase{"snapped",
                 {"--polygon", "27,17,72,18,73,52,26,53", "--snap"},
                 1100,
                 1300,
                 {{30, 30, 69, 59}},
                 2,
                 false},
        MaskCase{"feather",
                 {"--polygon", "10,5,29,5,29,24,10,24", "--feather", "6"},
                 330,
                 450,
                 {{10, 55, 29, 74}},
                 3,
                 true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CliMaskErrors, UsageAndFiles) {
  TempDir dir;
  const std::string photo = WritePicture(dir);
  const std::string out = (dir / "m.png").string();
  testing::ExpectCliFails({"mask", photo, "-o", out, "--polygon", "1,2,3,4,5"}, 2);
  testing::ExpectCliFails({"mask", photo, "-o", out, "--box", "1,2,3"}, 2);
  testing::ExpectCliFails({"mask", (dir / "none.png").string(), "-o", out}, 1, "none.png");
  testing::ExpectCliFails({"mask", photo, "-o", out, "--box", "1,1,2,2"}, 1);
  testing::ExpectCliFails({"mask", photo, "-o", (dir / "no" / "m.png").string()}, 1, "m.png");
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace glkov
