// Raw 24-bit AVI writing: frames per second at 640 x 480 and 1920 x 1080, each movie of 60
// frames written to a temporary file and committed (including the final fsync).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "core/image/fast_bmp.h"
#include "core/output/avi_writer.h"

namespace {

constexpr int kFramesPerMovie = 60;

std::filesystem::path MakeTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "glkov-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) return std::filesystem::temp_directory_path();
  return pattern;
}

void BM_AviWriteRaw(benchmark::State& state, int colorCount) {
  const int w = static_cast<int>(state.range(0));
  const int h = static_cast<int>(state.range(1));
  glkov::TFastBMP frame(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = frame.Pixel(x, y);
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x ^ y);
    }
  }
  const auto dir = MakeTempDir();
  const auto file = dir / "bench.avi";
  glkov::AviWriterOptions o;
  o.Width = w;
  o.Height = h;
  o.ColorCount = colorCount;
  o.Rate = 25;
  for (auto _ : state) {
    glkov::AviWriter writer(file, o);
    for (int i = 0; i < kFramesPerMovie; ++i) writer.AddFrame(frame);
    writer.Finish();
  }
  state.counters["frames/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kFramesPerMovie, benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFramesPerMovie * w * h * 3);
  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
}

}  // namespace

BENCHMARK_CAPTURE(BM_AviWriteRaw, rgb24, 65536)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_AviWriteRaw, pal8, 256)
    ->Args({640, 480})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
