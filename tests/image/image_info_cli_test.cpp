#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "core/image/picture_file.h"
#include "image/picture_fixtures.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;

TEST(ImageInfoCli, JsonGivesSizeAndPixelHash) {
  testing::TempDir dir;
  const auto f = testing::MakeBmp({4, 2, false, 40, {}, 0}, 13, 6);
  testing::WriteFile(dir / "rle4.bmp", f.bytes);
  const auto j = testing::RunCliJson({"image-info", (dir / "rle4.bmp").string(), "--json"});
  EXPECT_EQ(j.size(), 3u);
  EXPECT_EQ(j["Width"], 13);
  EXPECT_EQ(j["Height"], 6);
  EXPECT_EQ(j["Sha256"], testing::Sha256Hex(f.expected.PackedPixels()));
}

// Worked example: the shipped 300 x 300 photograph as libjpeg-turbo 2.1 decodes it.
TEST(ImageInfoCli, ShippedPhotograph) {
  const auto photo = testing::SourceDir() / "examples" / "photos" / "walkway.jpg";
  const auto j = testing::RunCliJson({"image-info", "--json", photo.string()});
  EXPECT_EQ(j["Width"], 300);
  EXPECT_EQ(j["Height"], 300);
  EXPECT_EQ(j["Sha256"], "071bcab9a83fbbaf0e954094703e80786b747e7f54633c37b6f59b6c627bdaea");
}

TEST(ImageInfoCli, TextAndSave) {
  testing::TempDir dir;
  const TFastBMP picture = testing::SmoothPicture(7, 5);
  std::vector<uint8_t> rgb;
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      const uint8_t* p = picture.Pixel(x, y);
      rgb.insert(rgb.end(), {p[2], p[1], p[0]});
    }
  }
  testing::WriteFile(dir / "in.png", testing::EncodePng(rgb, 7, 5, PNG_FORMAT_RGB));
  std::string out, err;
  ASSERT_EQ(RunCli({"image-info", (dir / "in.png").string(), "--save", (dir / "out.bmp").string()},
                   &out, &err),
            0)
      << err;
  EXPECT_NE(out.find("7 x 5 pixels"), std::string::npos) << out;
  EXPECT_NE(out.find(testing::Sha256Hex(picture.PackedPixels())), std::string::npos) << out;
  TFastBMP saved;
  LoadPictureFile((dir / "out.bmp").string(), saved);
  EXPECT_EQ(testing::MaxChannelDiff(saved, picture), 0);
}

struct CliFailure {
  std::vector<std::string> args;  // "@" stands for the test folder
  int status;
  std::string errorStart;  // what standard error begins with
};

TEST(ImageInfoCli, FailuresGiveStatusAndMessage) {
  testing::TempDir dir;
  testing::WriteFile(dir / "cut.gif", "GIF89a\x05");
  testing::WriteFile(dir / "ok.bmp", testing::MakeBmp({}, 2, 2).bytes);
  const std::string d = dir.path().string();
  const std::vector<CliFailure> cases = {
      {{"image-info", d + "/missing.jpg"},
       1,
       "glkov-cli: Cannot open picture \"" + d + "/missing.jpg\": No such file or directory.\n"},
      {{"image-info", d + "/cut.gif", "--json"},
       1,
       "glkov-cli: Cannot read picture \"" + d + "/cut.gif\""},
      {{"image-info", d + "/ok.bmp", "--save", d + "/none/out.bmp"}, 1, "glkov-cli: "},
      {{"image-info", d + "/ok.txt"},
       1,
       "glkov-cli: Cannot read picture \"" + d + "/ok.txt\": unknown kind"},
      {{"image-info"}, 2, ""},
      {{"image-info", d + "/ok.bmp", "--bogus"}, 2, ""},
  };
  for (const CliFailure& c : cases) {
    std::string out, err;
    EXPECT_EQ(RunCli(c.args, &out, &err), c.status) << c.args.back();
    EXPECT_EQ(out, "") << c.args.back();
    EXPECT_EQ(err.substr(0, c.errorStart.size()), c.errorStart) << err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "none"));
}

}  // namespace
}  // namespace glkov
