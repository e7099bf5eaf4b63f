// The mask editor's brush on a 4000 x 3000 picture: one stroke segment painted into the mask and
// the touched rectangle of the editor's view (picture with the mask layer) drawn again, which is
// what each mouse move costs. A page stays responsive while this is well under 16 ms.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/vision/mask_tools.h"

namespace {

using glkov::vision::MaskPoint;
using glkov::vision::MaskRect;

glkov::TFastBMP MakePicture(int w, int h) {
  glkov::TFastBMP p(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = p.Row(y);
    for (int x = 0; x < 3 * w; ++x) row[x] = static_cast<uint8_t>(x ^ y);
  }
  return p;
}

// Argument: the brush diameter in pixels; each segment is 40 pixels long, moving across the
// picture so that every iteration paints fresh pixels.
void BM_BrushSegment4000x3000(benchmark::State& state) {
  const int diameter = static_cast<int>(state.range(0));
  const glkov::TFastBMP picture = MakePicture(4000, 3000);
  glkov::TFastBMP mask = glkov::vision::NewMask(4000, 3000);
  glkov::TFastBMP view;
  glkov::vision::DrawMaskOverlay(picture, mask, MaskRect{0, 0, 3999, 2999}, false, view);
  int x = 100, y = 1500;
  for (auto _ : state) {
    const MaskPoint a{x, y};
    x += 40;
    if (x > 3900) x = 100, y = y > 2800 ? 200 : y + diameter;
    const MaskRect r = glkov::vision::PaintStroke(mask, a, {x, y}, diameter, 255);
    glkov::vision::DrawMaskOverlay(picture, mask, r, false, view);
    benchmark::DoNotOptimize(view.Bits());
  }
}
BENCHMARK(BM_BrushSegment4000x3000)->Arg(10)->Arg(60)->Arg(300)->Unit(benchmark::kMillisecond);

// The whole view drawn again (what switching between layer and bare mask costs).
void BM_WholeOverlay4000x3000(benchmark::State& state) {
  const glkov::TFastBMP picture = MakePicture(4000, 3000);
  const glkov::TFastBMP mask = glkov::vision::NewMask(4000, 3000);
  glkov::TFastBMP view;
  for (auto _ : state) {
    glkov::vision::DrawMaskOverlay(picture, mask, MaskRect{0, 0, 3999, 2999}, false, view);
    benchmark::DoNotOptimize(view.Bits());
  }
}
BENCHMARK(BM_WholeOverlay4000x3000)->Unit(benchmark::kMillisecond);

// Feather of a 4000 x 3000 mask with a disc of radius 1000 (argument: the width), done in bands
// of rows so that it reports progress and can stop; the window runs it on a worker thread.
void BM_Feather4000x3000(benchmark::State& state) {
  glkov::TFastBMP disc = glkov::vision::NewMask(4000, 3000);
  std::vector<MaskPoint> polygon;
  for (int i = 0; i < 360; ++i) {
    const double a = i * 3.14159265358979 / 180;
    polygon.push_back({2000 + int(1000 * std::cos(a)), 1500 + int(1000 * std::sin(a))});
  }
  glkov::vision::FillPolygon(disc, polygon, 255);
  for (auto _ : state) {
    state.PauseTiming();
    glkov::TFastBMP mask = disc;
    state.ResumeTiming();
    glkov::vision::FeatherMask(mask, static_cast<int>(state.range(0)));
    benchmark::DoNotOptimize(mask.Bits());
  }
}
BENCHMARK(BM_Feather4000x3000)->Arg(4)->Arg(40)->Unit(benchmark::kMillisecond);

// Select Object on a 4000 x 3000 picture around a flat board of 600 x 800 pixels (argument: the
// GrabCut rounds; a stop request is seen between rounds, so one round's time is how long Cancel
// may take to answer).
void BM_SelectObject4000x3000(benchmark::State& state) {
  glkov::TFastBMP picture = MakePicture(4000, 3000);
  for (int y = 1100; y < 1900; ++y)
    for (int x = 1700; x < 2300; ++x) {
      uint8_t* p = picture.Pixel(x, y);
      p[0] = 40, p[1] = 60, p[2] = 220;
    }
  const glkov::vision::SelectObjectOptions options{.Iterations = static_cast<int>(state.range(0))};
  for (auto _ : state) {
    glkov::vision::ObjectSelection selection(picture, MaskRect{1680, 1080, 2320, 1920}, options);
    benchmark::DoNotOptimize(selection.Area());
  }
}
BENCHMARK(BM_SelectObject4000x3000)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
