// glkov-cli quick: one photograph to a movie, run as a separate program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "output/decode_movie.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

namespace fs = std::filesystem;

// A 160 x 120 copy of a real photograph and a mask of one upright object standing in it.
struct Photo {
  std::string Picture;
  std::string Mask;
};

Photo WritePhoto(const TempDir& dir) {
  TFastBMP source, photo, mask;
  LoadPictureFile(std::string(GLKOV_SOURCE_DIR) + "/examples/photos/corn_maze.jpg", source);
  source.StretchInto(photo, 160, 120);
  mask.SetSize(160, 120);
  for (int y = 70; y < 115; ++y)
    for (int x = 20; x < 45; ++x) {
      uint8_t* p = mask.Pixel(x, y);
      p[0] = p[1] = p[2] = 255;
    }
  Photo p{(dir / "photo.bmp").string(), (dir / "mask.bmp").string()};
  SaveBMP(p.Picture, photo);
  SaveBMP(p.Mask, mask);
  return p;
}

// Mean absolute difference of the 8 x 8 block means of two pictures of one size: the movie's
// lossy coding of fine detail does not count, a shifted or different view does.
double MeanDifference(const TFastBMP& a, const TFastBMP& b) {
  double sum = 0;
  int blocks = 0;
  for (int by = 0; by + 8 <= a.Height(); by += 8)
    for (int bx = 0; bx + 8 <= a.Width(); bx += 8)
      for (int c = 0; c < 3; ++c) {
        double ma = 0, mb = 0;
        for (int y = by; y < by + 8; ++y)
          for (int x = bx; x < bx + 8; ++x) {
            ma += a.Pixel(x, y)[c];
            mb += b.Pixel(x, y)[c];
          }
        sum += std::abs(ma - mb) / 64.0;
        ++blocks;
      }
  return sum / blocks;
}

TEST(CliQuick, ArgumentsStatusAndMessages) {
  TempDir dir;
  const Photo photo = WritePhoto(dir);
  const std::string gif = (dir / "short.gif").string();
  TFastBMP tiny;
  tiny.SetSize(5, 3);
  SaveBMP((dir / "tiny.bmp").string(), tiny);
  const std::vector<testing::CliCase> cases = {
      {{"quick", photo.Picture, "--seconds", "0.3", "--width", "64", "-o", gif}},
      // A mask without a background: the filled background is saved beside the project.
      {{"quick", photo.Picture, "--mask", photo.Mask, "--preset", "truck-left", "--strength", "1",
        "--seconds", "0.3", "--width", "64", "-o", "@/seq_%03d.png", "--project", "@/own.kov"}},
      {{"quick", photo.Picture}, 2, "-o"},
      {{"quick", "-o", gif}, 2, "PHOTO"},
      {{"quick", photo.Picture, "--preset", "Dolly In", "-o", gif}, 2, "--preset"},
      {{"quick", photo.Picture, "--strength", "1.5", "-o", gif}, 2, "--strength"},
      {{"quick", photo.Picture, "--seconds", "0", "-o", gif}, 2, "--seconds"},
      {{"quick", "@/none.jpg", "-o", gif}, 1, "none.jpg"},
      {{"quick", "@/tiny.bmp", "-o", "@/tiny.mp4"}, 1, "5 x 3 pixels is too small"},
      {{"quick", photo.Picture, "--mask", "@/nomask.png", "-o", gif}, 1, "nomask.png"},
      {{"quick", photo.Picture, "-o", gif, "--project", "@/p.txt"}, 1, ".kov"},
      {{"quick", photo.Picture, "-o", "@/missing/m.mp4"}, 1, "missing"},
  };
  testing::ExpectCliTable(cases, dir.path());
  for (const char* name : {"short.gif", "short.kov", "short.cam", "seq_000.png", "own.kov",
                           "own.cam", "own_background.png"}) {
    EXPECT_TRUE(fs::exists(dir / name)) << name;
  }
  // An odd size is rounded down for H.264 with a warning; the last line says the movie's size.
  std::string err;
  ASSERT_EQ(RunCli({"quick", photo.Picture, "--seconds", "0.3", "--width", "63", "-o",
                    (dir / "odd.mp4").string()},
                   nullptr, &err),
            0);
  EXPECT_NE(err.find("rounded down to 62 x 48"), std::string::npos) << err;
  EXPECT_NE(err.find("frames of 62 x 48;"), std::string::npos) << err;
  // A failed run leaves nothing of its own behind.
  EXPECT_FALSE(fs::exists(dir / "p.txt"));
  EXPECT_FALSE(fs::exists(dir / "p.cam"));
  EXPECT_FALSE(fs::exists(dir / "tiny.kov"));
  EXPECT_FALSE(fs::exists(dir / "missing"));
}

// Without a mask the movie starts on the photograph itself, and the saved project opens with the
// flight as the camera path of its one sub-scene.
TEST(CliQuick, MovieStartsOnThePhotographAndTheProjectOpens) {
  TempDir dir;
  const Photo photo = WritePhoto(dir);
  const fs::path movie = dir / "walk.mp4";
  std::string out, err;
  ASSERT_EQ(RunCli({"quick", photo.Picture, "--seconds", "1", "-o", movie.string()}, &out, &err), 0)
      << err;

  const nlohmann::json info = testing::RunCliJson({"info", (dir / "walk.kov").string(), "--json"});
  ASSERT_EQ(info["MeshRegions"].size(), 2u);
  const nlohmann::json& region = info["MeshRegions"][1];
  EXPECT_EQ(region["CameraPath"], "walk.cam");
  EXPECT_TRUE(region["PerspectiveDone"].get<bool>());
  EXPECT_EQ(region["ObjCount"], 0);

  const nlohmann::json path =
      testing::RunCliJson({"path", (dir / "walk.cam").string(), "--frames", "--json"});
  const testing::DecodedMovie m = testing::DecodeMovie(movie);
  EXPECT_EQ(m.Width, 160);
  EXPECT_EQ(m.Height, 120);
  EXPECT_EQ(m.FrameCount, static_cast<int64_t>(path["Frames"].size()));
  EXPECT_GE(m.FrameCount, 20);
  ASSERT_FALSE(m.Frames.empty());

  // The first frame against a render of the photograph's view and against the photograph.
  const std::string still = (dir / "first.png").string();
  ASSERT_EQ(RunCli({"render", (dir / "walk.kov").string(), "-o", still}, &out, &err), 0) << err;
  TFastBMP rendered, original;
  LoadPictureFile(still, rendered);
  LoadPictureFile(photo.Picture, original);
  ASSERT_EQ(rendered.Width(), 160);
  ASSERT_EQ(rendered.Height(), 120);
  EXPECT_LT(MeanDifference(m.Frames.front(), rendered), 4.0);
  EXPECT_LT(MeanDifference(m.Frames.front(), original), 8.0);
  // The flight moves: the last frame is not the first.
  EXPECT_GT(MeanDifference(m.Frames.back(), m.Frames.front()), 8.0);
}

}  // namespace
}  // namespace glkov
