// Anti-aliased frames and depth pictures of the off-screen renderer.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <tuple>

#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "render/box_scene.h"
#include "support/test_support.h"

namespace glkov {
namespace {

using testing::RunCli;
using testing::TempDir;

// The box with an object board standing in it, from a camera turned a little so that no edge
// runs along a pixel row or column.
TFastBMP DrawBox(int width, int height, int samples, int quality = 0) {
  TProject p = testing::MakeBoxProject(64);
  testing::AddBoxObjects(p, {{-0.5, 0.3, 0, 0.9, -1, {0, 0, 200}, 255}});
  TCamera camera = testing::BoxCamera(p);
  camera.CamDir = {0.1, -0.05, -1};
  camera.CamUp = {0.08, 1, 0};
  OffscreenTarget target(width, height, samples);
  SceneRenderer renderer;
  renderer.UploadScene(p, quality);
  RenderSwitches sw;
  sw.Quality = quality;
  sw.UseVW = false;
  renderer.GLDraw(p, camera, sw, width, height);
  TFastBMP frame;
  target.ReadFrame(frame);
  return frame;
}

// Mean absolute difference per colour sample between a frame and the mean of each k x k block
// of a frame k times its size; with boardEdges only over the pixels whose block holds both the
// board's colour (0, 0, 200) and others.
double ErrorAgainstSupersampled(const TFastBMP& frame, const TFastBMP& big, int k,
                                bool boardEdges = false) {
  double sum = 0;
  int n = 0;
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      int board = 0;
      for (int j = 0; j < k; ++j) {
        for (int i = 0; i < k; ++i) {
          const uint8_t* q = big.Pixel(k * x + i, k * y + j);
          board += q[0] > 150 && q[1] < 10 && q[2] < 10;
        }
      }
      if (boardEdges && (board == 0 || board == k * k)) continue;
      ++n;
      for (int c = 0; c < 3; ++c) {
        double mean = 0;
        for (int j = 0; j < k; ++j) {
          for (int i = 0; i < k; ++i) mean += big.Pixel(k * x + i, k * y + j)[c];
        }
        sum += std::abs(mean / (k * k) - frame.Pixel(x, y)[c]);
      }
    }
  }
  return sum / (3.0 * n);
}

// Multisampling smooths what geometry covers: the plane edges and the board's outline. The
// borders of the texture cells inside a plane stay as sharp as nearest texels make them, so four
// samples bring the whole frame about 40 % closer (measured 1.93 -> 1.16); a frame that was not
// multisampled or not resolved stays where one sample is. With "High" quality the board's
// cut-out outline is the filtered alpha blended over what is behind; multisampling adds its
// bottom edge (a geometric one). Alpha to coverage on top of the blending would apply the
// transparency twice and bring the edge back to where one sample is.
TEST(AntiAliasing, EdgesComeCloserToASupersampledFrame) {
  constexpr int kW = 100, kH = 75, kScale = 6;
  for (const auto& [quality, boardEdges, ratio] : {std::tuple{0, false, 0.75}, {1, true, 0.8}}) {
    const TFastBMP reference = DrawBox(kW * kScale, kH * kScale, 1, quality);
    const double plain =
        ErrorAgainstSupersampled(DrawBox(kW, kH, 1, quality), reference, kScale, boardEdges);
    const double smoothed =
        ErrorAgainstSupersampled(DrawBox(kW, kH, 4, quality), reference, kScale, boardEdges);
    EXPECT_GT(plain, 1.0) << "quality " << quality;
    EXPECT_LT(smoothed, ratio * plain) << "plain " << plain << ", smoothed " << smoothed;
  }
}

// The example room rendered with "Low" quality and one sample is exactly the picture of the
// renderer before anti-aliasing existed (hash taken then, Mesa llvmpipe 22.3, and again when the
// ceiling came to end exactly on the picture's top row, which moved one of its texel rows): one
// sample draws into the plain framebuffer with nearest texels, as always.
TEST(AntiAliasing, LowQualityAndOneSampleKeepThePictureAsItWas) {
  TempDir dir;
  const std::string room = (testing::SourceDir() / "examples/room/room.kov").string();
  const std::string out = (dir / "low.png").string();
  std::string err;
  ASSERT_EQ(RunCli({"render", room, "-o", out, "--width", "120", "--height", "90", "--quality",
                    "low", "--samples", "1"},
                   nullptr, &err),
            0)
      << err;
  EXPECT_EQ(testing::RunCliJson({"image-info", out, "--json"})["Sha256"],
            "082ef225db3d5024315ce964b37c47f6f17c4d30140c3b62fb53cdaecc949fa1");
}

// More samples than the driver has: render says so as the export does and draws with the
// maximum, so the frame is the one asked for with the maximum itself.
TEST(AntiAliasing, RenderWarnsAndUsesTheMaximumAboveTheDriversSamples) {
  const int most = OffscreenTarget(8, 8, 8).Samples();
  if (most >= 8) GTEST_SKIP() << "this driver has 8 samples";
  TempDir dir;
  const std::string room = (testing::SourceDir() / "examples/room/room.kov").string();
  const auto render = [&](int samples, std::string& err) {
    const std::string out = (dir / (std::to_string(samples) + ".png")).string();
    EXPECT_EQ(RunCli({"render", room, "-o", out, "--width", "40", "--height", "30", "--samples",
                      std::to_string(samples)},
                     nullptr, &err),
              0)
        << err;
    return testing::RunCliJson({"image-info", out, "--json"})["Sha256"];
  };
  std::string errMost, errEight;
  const auto atMost = render(most, errMost);
  EXPECT_EQ(render(8, errEight), atMost);
  EXPECT_EQ(errMost, "");
  EXPECT_NE(errEight.find("glkov-cli: warning: 8 samples per pixel are more than this OpenGL "
                          "allows: " +
                          std::to_string(most) + " are used."),
            std::string::npos)
      << errEight;
}

// Reads a 16-bit grey PNG; empty on any error.
std::vector<uint16_t> ReadGrey16(const std::string& file, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
  image.format = PNG_FORMAT_LINEAR_Y;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  std::vector<uint16_t> values(PNG_IMAGE_SIZE(image) / 2);
  if (!png_image_finish_read(&image, nullptr, values.data(), 0, nullptr)) return {};
  return values;
}

TEST(DepthPicture, RenderWritesTheDistanceBesideTheFrame) {
  TempDir dir;
  const std::string room = (testing::SourceDir() / "examples/room/room.kov").string();
  const std::string depth = (dir / "depth.png").string();
  std::string err;
  ASSERT_EQ(RunCli({"render", room, "-o", (dir / "f.png").string(), "--width", "80", "--height",
                    "60", "--samples", "4", "--depth", depth},
                   nullptr, &err),
            0)
      << err;
  int w = 0, h = 0;
  const std::vector<uint16_t> d = ReadGrey16(depth, w, h);
  ASSERT_EQ(d.size(), 80u * 60u);
  EXPECT_EQ(*std::min_element(d.begin(), d.end()), 0);
  EXPECT_EQ(*std::max_element(d.begin(), d.end()), 65535);
  // Along the floor's centre line the distance grows from the bottom row towards the rear wall,
  // and the rear wall is farther than the side walls' near edges.
  const auto at = [&](int x, int y) { return d[static_cast<size_t>(y) * 80 + x]; };
  EXPECT_LT(at(40, 59), at(40, 50));
  EXPECT_LT(at(2, 30), at(40, 30));
  testing::ExpectCliTable({{{"render", room, "-o", "@/f.png", "--depth", "@/d.bmp"}, 2}},
                          dir.path());
}

}  // namespace
}  // namespace glkov
