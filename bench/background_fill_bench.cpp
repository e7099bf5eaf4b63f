// The automatic background of a 4000 x 3000 photograph with 4 % of its pixels masked in five
// blobs (on both walls, the floor and the ceiling of the corridor): the full fill along the planes
// and the diffusion preview.
#include <benchmark/benchmark.h>

#include <string>

#include "core/image/picture_file.h"
#include "core/vision/background_fill.h"

namespace {

using glkov::TFastBMP;

struct Case {
  TFastBMP Original;
  TFastBMP Mask;
  glkov::FillGeometry Geometry;
  int64_t Masked = 0;
};

const Case& BigCase() {
  static const Case c = [] {
    Case k;
    TFastBMP photo;
    glkov::LoadPictureFile(std::string(GLKOV_SOURCE_DIR) + "/examples/photos/corn_maze.jpg", photo);
    const int w = 4000, h = 3000;
    photo.StretchInto(k.Original, w, h);
    k.Mask.SetSize(w, h);
    // Five discs of radius 175: 5 * pi * 175^2 = 4.0 % of the picture.
    const int blobs[5][2] = {{700, 1900}, {3300, 1800}, {1950, 2780}, {1700, 350}, {2900, 700}};
    for (const auto& b : blobs) {
      for (int y = b[1] - 175; y <= b[1] + 175; ++y)
        for (int x = b[0] - 175; x <= b[0] + 175; ++x)
          if ((x - b[0]) * (x - b[0]) + (y - b[1]) * (y - b[1]) <= 175 * 175) {
            k.Mask.Pixel(x, y)[2] = 255;
            ++k.Masked;
          }
    }
    // The corridor's mesh, stretched with the picture.
    const double sx = w / 1024.0, sy = h / 680.0;
    k.Geometry.Meshes = {
        {0, 0, w - 1, h - 1, 488 * sx, 545 * sx, 209 * sy, 299 * sy, 515 * sx, 260 * sy}};
    k.Geometry.FocalLength = 887 * sx;
    return k;
  }();
  return c;
}

void BM_FillBackground(benchmark::State& state) {
  const Case& c = BigCase();
  for (auto _ : state) {
    const glkov::FillResult r = glkov::FillBackground(c.Original, c.Mask, c.Geometry);
    benchmark::DoNotOptimize(r.Background.Bits());
  }
  state.counters["MaskedPercent"] = 100.0 * double(c.Masked) / (4000.0 * 3000.0);
}
BENCHMARK(BM_FillBackground)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

void BM_FillBackgroundPreview(benchmark::State& state) {
  const Case& c = BigCase();
  for (auto _ : state) {
    const glkov::FillResult r = glkov::FillBackgroundPreview(c.Original, c.Mask);
    benchmark::DoNotOptimize(r.Background.Bits());
  }
}
BENCHMARK(BM_FillBackgroundPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
