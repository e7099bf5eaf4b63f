#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/image/picture_file.h"
#include "support/test_support.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

int MaskPixels(const TFastBMP& mask, int threshold) {
  int n = 0;
  for (int y = 0; y < mask.Height(); ++y)
    for (int x = 0; x < mask.Width(); ++x) n += mask.Pixel(x, y)[2] > threshold;
  return n;
}

TEST(FillCli, FillsProjectsAndNewProjectsWithoutBackground) {
  testing::TempDir dir;
  synthetic::SyntheticRoomOptions o;
  o.Width = 160;
  o.Height = 120;
  o.VanishX = 80;
  o.VanishY = 50;
  o.InnerLeft = 50;
  o.InnerRight = 110;
  o.InnerBottom = 33;
  o.InnerTop = 83;
  o.FocalLength = 139;
  o.Objects = {{synthetic::ObjectShape::kRoundedBox, 40, 10, 24, 20},
               {synthetic::ObjectShape::kLamp, 120, 14, 18, 28}};
  const synthetic::SyntheticRoom room = synthetic::MakeSyntheticRoom(o);
  const std::string project = synthetic::WriteRoomProject(room, dir.path()).string();
  const std::string d = dir.path().string();
  const int masked = MaskPixels(room.Mask, 128);

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string written;  // the picture the command must write
    std::function<void(const nlohmann::json&)> check;
  };
  const std::vector<Case> cases = {
      {{"fill", project, "-o", d + "/full.png", "--json"},
       0,
       d + "/full.png",
       [&](const nlohmann::json& j) {
         EXPECT_EQ(j["Width"], 160);
         EXPECT_EQ(j["Height"], 120);
         EXPECT_GT(j["HolePixels"].get<int>(), masked);
         EXPECT_GE(j["Seconds"].get<double>(), 0.0);
       }},
      {{"fill", project, "-o", d + "/fast.bmp", "--fast", "--grow", "0", "--json"},
       0,
       d + "/fast.bmp",
       [&](const nlohmann::json& j) { EXPECT_EQ(j["HolePixels"], masked); }},
      {{"new", d + "/room.png", d + "/room_mask.png", "-o", d + "/made.kov", "--mesh",
        "80,50,50,33,110,83"},
       0,
       d + "/made_background.png",
       nullptr},
      {{"fill", d + "/missing.kov", "-o", d + "/x.png"}, 1, "", nullptr},
      {{"fill", project, "-o", d + "/x.png", "--grow", "-1"}, 2, "", nullptr},
      {{"fill", project}, 2, "", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args.back());
    std::string out, err;
    ASSERT_EQ(testing::RunCli(c.args, &out, &err), c.status) << err;
    if (c.status == 0 && c.check) c.check(nlohmann::json::parse(out));
    if (!c.written.empty()) {
      TFastBMP written;
      LoadPictureFile(c.written, written);
      EXPECT_EQ(written.Width(), 160);
      EXPECT_EQ(written.Height(), 120);
    }
  }
  // The new project names its filled background.
  const auto info = testing::RunCliJson({"info", d + "/made.kov", "--json"});
  EXPECT_EQ(std::filesystem::path(info["Background"].get<std::string>()).filename(),
            "made_background.png");
  EXPECT_FALSE(std::filesystem::exists(d + "/x.png"));
}

}  // namespace
}  // namespace glkov
