#include "core/vision/background_fill.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "core/error.h"
#include "core/image/picture_file.h"
#include "support/small_room.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

// Half the size, each pixel the mean of a 2 x 2 block.
TFastBMP Halve(const TFastBMP& in) {
  TFastBMP out(in.Width() / 2, in.Height() / 2);
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x)
      for (int c = 0; c < 3; ++c)
        out.Pixel(x, y)[c] = static_cast<uint8_t>(
            (in.Pixel(2 * x, 2 * y)[c] + in.Pixel(2 * x + 1, 2 * y)[c] +
             in.Pixel(2 * x, 2 * y + 1)[c] + in.Pixel(2 * x + 1, 2 * y + 1)[c] + 2) /
            4);
  return out;
}

double Luma(const TFastBMP& p, int x, int y) {
  const uint8_t* q = p.Pixel(x, y);
  return 0.114 * q[0] + 0.587 * q[1] + 0.299 * q[2];
}

// Mean Sobel gradient magnitude of the luma over the region.
double MeanGradient(const TFastBMP& p, const std::vector<uint8_t>& region) {
  double sum = 0;
  int n = 0;
  for (int y = 1; y + 1 < p.Height(); ++y) {
    for (int x = 1; x + 1 < p.Width(); ++x) {
      if (!region[size_t(y) * size_t(p.Width()) + size_t(x)]) continue;
      auto l = [&](int dx, int dy) { return Luma(p, x + dx, y + dy); };
      const double gx = l(1, -1) + 2 * l(1, 0) + l(1, 1) - l(-1, -1) - 2 * l(-1, 0) - l(-1, 1);
      const double gy = l(-1, 1) + 2 * l(0, 1) + l(1, 1) - l(-1, -1) - 2 * l(0, -1) - l(1, -1);
      sum += std::hypot(gx, gy);
      ++n;
    }
  }
  return n ? sum / n : 0;
}

double Psnr(const TFastBMP& a, const TFastBMP& b, const std::vector<uint8_t>& region) {
  double se = 0;
  int64_t n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      if (!region[size_t(y) * size_t(a.Width()) + size_t(x)]) continue;
      for (int c = 0; c < 3; ++c) {
        const double d = a.Pixel(x, y)[c] - b.Pixel(x, y)[c];
        se += d * d;
        ++n;
      }
    }
  return 10 * std::log10(255.0 * 255.0 / std::max(se / std::max<int64_t>(n, 1), 1e-9));
}

// The region shrunk by r pixels (a square), so that the measures look inside the hole only.
std::vector<uint8_t> Shrink(const std::vector<uint8_t>& region, int w, int h, int r) {
  std::vector<uint8_t> out(region.size(), 0);
  for (int y = r; y < h - r; ++y)
    for (int x = r; x < w - r; ++x) {
      bool all = true;
      for (int dy = -r; dy <= r && all; ++dy)
        for (int dx = -r; dx <= r && all; ++dx)
          all = region[size_t(y + dy) * size_t(w) + size_t(x + dx)] != 0;
      out[size_t(y) * size_t(w) + size_t(x)] = all;
    }
  return out;
}

struct HoleCase {
  const char* Name;
  const char* Photo;
  bool Halve;
  FillMesh Mesh;  // Right and Bottom filled from the picture
  double FocalLength;
  int CX, CY, RX, RY;  // the pasted object: an ellipse, rows from the top
};

// Meshes: the corridor's own (halved) and a walkway whose rear wall is the building.
constexpr FillMesh kCorn{0, 0, 0, 0, 244, 272.5, 104.5, 149.5, 257.5, 130};
constexpr FillMesh kWalk{0, 0, 0, 0, 10, 290, 50, 295, 150, 75};

const HoleCase kHoles[] = {
    {"CornLeftWall", "corn_maze.jpg", true, kCorn, 443.5, 150, 240, 16, 22},
    {"CornRightWall", "corn_maze.jpg", true, kCorn, 443.5, 400, 260, 20, 26},
    {"CornFloor", "corn_maze.jpg", true, kCorn, 443.5, 252, 320, 16, 10},
    {"WalkwayFloor", "walkway.jpg", false, kWalk, 260, 150, 285, 18, 9},
    {"WalkwayRearWall", "walkway.jpg", false, kWalk, 260, 75, 224, 12, 6},
};

// Each case pastes a striped ellipse over a photograph, fills it and compares the fill with the
// photograph inside the hole shrunk by 2 pixels: the texture must be kept (mean Sobel gradient
// 0.6 to 1.6 times the truth's; a diffusion fill scores about 0.2-0.4) without wild content (PSNR
// at most 3 dB below the diffusion fill's). A fill cannot know what the object hid, so one case in
// five may miss.
TEST(FillBackgroundQuality, HolesOnRealPhotographs) {
  int passed = 0;
  for (const HoleCase& c : kHoles) {
    TFastBMP truth;
    LoadPictureFile((testing::SourceDir() / "examples" / "photos" / c.Photo).string(), truth);
    if (c.Halve) truth = Halve(truth);
    const int w = truth.Width(), h = truth.Height();
    TFastBMP original = truth;
    TFastBMP mask(w, h);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const double u = double(x - c.CX) / c.RX, v = double(y - c.CY) / c.RY;
        if (u * u + v * v > 1) continue;
        uint8_t* p = original.Pixel(x, y);
        p[0] = 200;
        p[1] = static_cast<uint8_t>((x / 4 % 2) * 200);
        p[2] = 255;
        mask.Pixel(x, y)[2] = 255;
      }
    }
    FillGeometry g;
    FillMesh m = c.Mesh;
    m.Right = w - 1;
    m.Bottom = h - 1;
    g.Meshes = {m};
    g.FocalLength = c.FocalLength;
    const FillResult full = FillBackground(original, mask, g);
    const FillResult diffusion = FillBackgroundPreview(original, mask);
    const auto region = Shrink(FillHoleMask(mask), w, h, 2);
    const double ratio = MeanGradient(full.Background, region) / MeanGradient(truth, region);
    const double psnr = Psnr(full.Background, truth, region);
    const double diffusionPsnr = Psnr(diffusion.Background, truth, region);
    const bool ok = ratio >= 0.6 && ratio <= 1.6 && psnr >= diffusionPsnr - 3;
    passed += ok ? 1 : 0;
    std::printf("%-16s gradient ratio %.2f  PSNR %.2f dB (diffusion %.2f dB)  %s\n", c.Name, ratio,
                psnr, diffusionPsnr, ok ? "pass" : "miss");
  }
  EXPECT_GE(passed, 4);
}

// A small synthetic room: three objects standing on the floor in front of the walls.
synthetic::SyntheticRoom SmallRoom() {
  synthetic::SyntheticRoomOptions o = testing::MediumRoomOptions();
  o.Objects = {{synthetic::ObjectShape::kDiscOnPost, 85, 20, 45, 70},
               {synthetic::ObjectShape::kRoundedBox, 165, 47, 50, 35},
               {synthetic::ObjectShape::kLamp, 240, 30, 35, 55}};
  return synthetic::MakeSyntheticRoom(o);
}

FillGeometry RoomGeometry(const synthetic::SyntheticRoom& room) {
  const TMeshRegion& r = room.MeshRegions[1];
  return {{{r.Left, r.Top, r.Right, r.Bottom, r.InnerLeft, r.InnerRight, r.InnerBottom, r.InnerTop,
            r.VanishX, r.VanishY}},
          room.FocalLength};
}

// Only the holes change: every pixel outside the grown mask keeps the original's value, for the
// full fill and the preview and for several growths; the hole holds every object pixel.
TEST(FillBackground, ChangesOnlyTheGrownMask) {
  const synthetic::SyntheticRoom room = SmallRoom();
  const TFastBMP before = room.Original;
  for (const int grow : {0, 3, 6}) {
    SCOPED_TRACE("grow " + std::to_string(grow));
    const FillOptions options{grow};
    const std::vector<uint8_t> hole = FillHoleMask(room.Mask, options);
    const FillResult results[] = {
        FillBackground(room.Original, room.Mask, RoomGeometry(room), options),
        FillBackgroundPreview(room.Original, room.Mask, options)};
    int64_t holePixels = 0, objectPixels = 0, changedInHole = 0;
    for (int y = 0; y < room.Original.Height(); ++y) {
      for (int x = 0; x < room.Original.Width(); ++x) {
        const bool inHole = hole[static_cast<size_t>(y * room.Original.Width() + x)] != 0;
        const bool object = room.Mask.Pixel(x, y)[2] > 128;
        holePixels += inHole;
        objectPixels += object;
        EXPECT_TRUE(inHole || !object);
        for (const FillResult& r : results) {
          const bool same = std::equal(r.Background.Pixel(x, y), r.Background.Pixel(x, y) + 3,
                                       room.Original.Pixel(x, y));
          if (!inHole) {
            ASSERT_TRUE(same) << x << ", " << y;
          }
          changedInHole += !same;
        }
      }
    }
    EXPECT_GT(holePixels, objectPixels - 1 + grow * 100);
    EXPECT_GT(changedInHole, holePixels);  // both fills replaced the objects
    for (const FillResult& r : results) EXPECT_EQ(r.HolePixels, holePixels);
  }
  EXPECT_EQ(before.PackedPixels(), room.Original.PackedPixels());
}

// The room's objects stand in front of the floor, the walls and the rear wall: filled along
// the planes, the background comes back at least as close as diffusion gets it and keeps its
// texture.
TEST(FillBackgroundQuality, SyntheticRoom) {
  const synthetic::SyntheticRoom room = SmallRoom();
  const FillResult full = FillBackground(room.Original, room.Mask, RoomGeometry(room));
  const FillResult diffusion = FillBackgroundPreview(room.Original, room.Mask);
  const auto region = Shrink(FillHoleMask(room.Mask), 320, 240, 2);
  const double ratio =
      MeanGradient(full.Background, region) / MeanGradient(room.Background, region);
  EXPECT_GE(ratio, 0.6);
  EXPECT_LE(ratio, 1.6);
  EXPECT_GE(Psnr(full.Background, room.Background, region),
            Psnr(diffusion.Background, room.Background, region) - 3);
}

// Asks to stop at the first progress report.
struct StopAtOnce : testing::ScriptedCallbacks {
  bool AbortRequested() override { return true; }
};

TEST(FillBackground, StopsWhenAskedAndReportsProgress) {
  const synthetic::SyntheticRoom room = SmallRoom();
  StopAtOnce stop;
  const FillResult r = FillBackground(room.Original, room.Mask, RoomGeometry(room), {}, stop);
  EXPECT_TRUE(r.Cancelled);
  EXPECT_TRUE(r.Background.Empty());
  ASSERT_FALSE(stop.Stages.empty());
  EXPECT_EQ(stop.Stages.front(), "Filling background...");
  EXPECT_LT(stop.Percents.back(), 100);
}

TEST(FillBackground, RefusesPicturesThatDoNotMatch) {
  const TFastBMP original = testing::FilledPicture(40, 30, 1, 2, 3);
  const struct {
    TFastBMP mask;
    const char* message;
  } cases[] = {
      {TFastBMP(), "There is no mask picture that says what to fill."},
      {TFastBMP(30, 40),
       "The mask picture (30 x 40) is not the size of the original picture (40 x 30)."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(testing::ErrorOf([&] { FillBackgroundPreview(original, c.mask); }), c.message);
    EXPECT_EQ(testing::ErrorOf([&] { FillBackground(original, c.mask, {}); }), c.message);
  }
}

}  // namespace
}  // namespace glkov
