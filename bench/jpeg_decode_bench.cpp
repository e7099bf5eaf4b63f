// Decoding a 4000 x 3000 JPEG through LoadPictureFile against a bare libjpeg-turbo decode of the
// same file in the same run. Both read the file into memory, allocate a zeroed picture of the
// same padded layout and decode straight into its rows as BGR; the ratio of their times is
// printed after the table (goal: at most 1.15).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
// clang-format on

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// The corn maze photograph stretched to 4000 x 3000 with bilinear filtering (photo-like detail,
// no blocky edges), encoded at quality 90 with libjpeg's defaults (4:2:0).
std::string MakeTestJpeg(const std::filesystem::path& folder) {
  glkov::TFastBMP photo;
  glkov::LoadPictureFile(std::string(GLKOV_SOURCE_DIR) + "/examples/photos/corn_maze.jpg", photo);
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  const std::string path = (folder / "bench-4000x3000.jpg").string();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror(path.c_str());
    std::exit(1);
  }
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(3 * kWidth);
  const double sx = static_cast<double>(photo.Width() - 1) / (kWidth - 1);
  const double sy = static_cast<double>(photo.Height() - 1) / (kHeight - 1);
  while (cinfo.next_scanline < cinfo.image_height) {
    const double fy = cinfo.next_scanline * sy;
    const int y0 = static_cast<int>(fy);
    const int y1 = std::min(y0 + 1, photo.Height() - 1);
    const double ty = fy - y0;
    for (int x = 0; x < kWidth; ++x) {
      const double fx = x * sx;
      const int x0 = static_cast<int>(fx);
      const int x1 = std::min(x0 + 1, photo.Width() - 1);
      const double tx = fx - x0;
      for (int c = 0; c < 3; ++c) {
        const double top = photo.Pixel(x0, y0)[c] * (1 - tx) + photo.Pixel(x1, y0)[c] * tx;
        const double bottom = photo.Pixel(x0, y1)[c] * (1 - tx) + photo.Pixel(x1, y1)[c] * tx;
        row[3 * x + c] = static_cast<uint8_t>(top * (1 - ty) + bottom * ty + 0.5);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(out);
  return path;
}

const std::string& TestJpeg() {
  static const std::string path = [] {
    static const std::filesystem::path folder = [] {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "glkov-bench-XXXXXX").string();
      if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
      }
      return std::filesystem::path(pattern);
    }();
    std::atexit([] { std::filesystem::remove_all(folder); });
    return MakeTestJpeg(folder);
  }();
  return path;
}

void BM_LoadPictureFile(benchmark::State& state) {
  const std::string& path = TestJpeg();
  for (auto _ : state) {
    glkov::TFastBMP picture;
    glkov::LoadPictureFile(path, picture);
    benchmark::DoNotOptimize(picture.Bits());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// libjpeg-turbo alone: the file read into memory, decoded straight to BGR into padded rows.
void BM_BareLibjpegTurbo(benchmark::State& state) {
  const std::string& path = TestJpeg();
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> data(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), data.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = glkov::TFastBMP::RowStrideFor(static_cast<int>(cinfo.output_width));
    std::vector<uint8_t> pixels(stride * cinfo.output_height, 0);
    JSAMPROW rows[16];
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION first = cinfo.output_scanline;
      const JDIMENSION n = std::min<JDIMENSION>(16, cinfo.output_height - first);
      for (JDIMENSION i = 0; i < n; ++i) rows[i] = pixels.data() + stride * (first + i);
      jpeg_read_scanlines(&cinfo, rows, n);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(kWidth) * kHeight / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// Several short repetitions each; the machine is shared, so the fastest repetition counts.
BENCHMARK(BM_BareLibjpegTurbo)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(3);
BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond)->MinTime(1.0)->Repetitions(3);

// Keeps each benchmark's fastest repetition, in CPU time (the process has one thread, and on a
// shared machine its wall-clock time mostly measures the other processes) and in real time.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Times {
    double cpu = 0;
    double real = 0;
  };
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
      Times& t = times_[run.run_name.function_name];
      const double cpu = run.GetAdjustedCPUTime(), real = run.GetAdjustedRealTime();
      if (t.cpu == 0 || cpu < t.cpu) t.cpu = cpu;
      if (t.real == 0 || real < t.real) t.real = real;
    }
  }
  Times Get(const std::string& name) const {
    const auto it = times_.find(name);
    return it == times_.end() ? Times{} : it->second;
  }

 private:
  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TestJpeg();  // made once, outside the timing
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const auto ours = reporter.Get("BM_LoadPictureFile");
  const auto bare = reporter.Get("BM_BareLibjpegTurbo");
  if (ours.cpu > 0 && bare.cpu > 0 && bare.real > 0) {
    std::printf(
        "jpeg_decode ratio LoadPictureFile / bare libjpeg-turbo (4000 x 3000): %.3f by CPU time, "
        "%.3f by real time (goal <= 1.15)\n",
        ours.cpu / bare.cpu, ours.real / bare.real);
  }
  return 0;
}
