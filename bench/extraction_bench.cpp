// Object extraction of a 4000 x 3000 mask with 200 regions (ellipses of varying size in a
// 20 x 10 grid, a few touching the grid cell edges), reported in megapixels per second.
#include <benchmark/benchmark.h>

#include "core/image/fast_bmp.h"
#include "core/objects/extraction.h"

namespace {

glkov::TFastBMP MakeMask(int w, int h, int columns, int rows) {
  glkov::TFastBMP m(w, h);
  const int cw = w / columns;
  const int ch = h / rows;
  for (int gy = 0; gy < rows; ++gy) {
    for (int gx = 0; gx < columns; ++gx) {
      const double rx = cw * (0.25 + 0.2 * ((gx + gy) % 3) / 2.0);
      const double ry = ch * (0.25 + 0.2 * ((gx * 7 + gy) % 4) / 3.0);
      const double cx = gx * cw + cw / 2.0;
      const double cy = gy * ch + ch / 2.0;
      for (int y = gy * ch; y < (gy + 1) * ch; ++y) {
        uint8_t* row = m.Row(y);
        for (int x = gx * cw; x < (gx + 1) * cw; ++x) {
          const double dx = (x - cx) / rx;
          const double dy = (y - cy) / ry;
          // Mask-like grey levels: bright inside, with a soft rim around the threshold.
          const double d = dx * dx + dy * dy;
          const uint8_t v = d < 0.9 ? 240 : d < 1.0 ? 130 : 12;
          row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = v;
        }
      }
    }
  }
  return m;
}

void BM_ExtractObjects4000x3000(benchmark::State& state) {
  const glkov::TFastBMP mask = MakeMask(4000, 3000, 20, 10);
  size_t regions = 0;
  for (auto _ : state) {
    const glkov::ExtractionResult r = glkov::ExtractObjects(mask, {}, mask.Height());
    regions = r.Rows.size();
    benchmark::DoNotOptimize(r.Working.Bits());
  }
  state.counters["regions"] = static_cast<double>(regions);
  state.counters["MPixel/s"] =
      benchmark::Counter(4000.0 * 3000.0 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExtractObjects4000x3000)->Unit(benchmark::kMillisecond);

// The extraction window keeps its result between extractions, so the working image's storage is
// reused: this is the extraction's own work, without the first touch of 36 MB of fresh memory.
void BM_ExtractObjectsReused4000x3000(benchmark::State& state) {
  const glkov::TFastBMP mask = MakeMask(4000, 3000, 20, 10);
  glkov::ExtractionResult r;
  for (auto _ : state) {
    glkov::ExtractObjects(mask, {}, mask.Height(), r);
    benchmark::DoNotOptimize(r.Working.Bits());
  }
  state.counters["regions"] = static_cast<double>(r.Rows.size());
  state.counters["MPixel/s"] =
      benchmark::Counter(4000.0 * 3000.0 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ExtractObjectsReused4000x3000)->Unit(benchmark::kMillisecond);

void BM_AcceptExtractionLabelImage(benchmark::State& state) {
  const glkov::TFastBMP mask = MakeMask(4000, 3000, 20, 10);
  const glkov::ExtractionResult r = glkov::ExtractObjects(mask, {}, mask.Height());
  glkov::TFastBMP label;
  for (auto _ : state) {
    glkov::MakeLabelImage(r, label);
    benchmark::DoNotOptimize(label.Bits());
  }
  state.counters["MPixel/s"] =
      benchmark::Counter(4000.0 * 3000.0 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_AcceptExtractionLabelImage)->Unit(benchmark::kMillisecond);

void BM_QuantizeMask4000x3000(benchmark::State& state) {
  const glkov::TFastBMP mask = MakeMask(4000, 3000, 20, 10);
  glkov::TFastBMP working;
  for (auto _ : state) {
    glkov::QuantizeMask(mask, 128, working);
    benchmark::DoNotOptimize(working.Bits());
  }
  state.counters["MPixel/s"] =
      benchmark::Counter(4000.0 * 3000.0 / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_QuantizeMask4000x3000)->Unit(benchmark::kMillisecond);

void BM_AllocatePicture4000x3000(benchmark::State& state) {
  for (auto _ : state) {
    glkov::TFastBMP p(4000, 3000);
    benchmark::DoNotOptimize(p.Bits());
  }
}
BENCHMARK(BM_AllocatePicture4000x3000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
