// One photograph to a movie in one go: a 751 x 563 photograph with a mask of three standing
// objects (the background filled under them), a 6-second dolly-in exported as a 640 x 480 MP4.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/output/quick_movie.h"

namespace glkov {
namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    const auto f = std::filesystem::temp_directory_path() / "glkov-quick-bench";
    std::filesystem::create_directories(f);
    TFastBMP photo, original, mask;
    LoadPictureFile(std::string(GLKOV_SOURCE_DIR) + "/examples/photos/corn_maze.jpg", photo);
    const int w = 751, h = 563;
    photo.StretchInto(original, w, h);
    mask.SetSize(w, h);
    // Three upright objects standing on the floor, about 6 % of the picture.
    const int boxes[3][4] = {{60, 330, 150, 540}, {560, 300, 660, 520}, {330, 420, 420, 555}};
    for (const auto& b : boxes)
      for (int y = b[1]; y <= b[3]; ++y)
        for (int x = b[0]; x <= b[2]; ++x) {
          uint8_t* p = mask.Pixel(x, y);
          p[0] = p[1] = p[2] = 255;
        }
    SaveBMP((f / "photo.bmp").string(), original);
    SaveBMP((f / "mask.bmp").string(), mask);
    return f;
  }();
  return folder;
}

void BM_QuickMovie(benchmark::State& state) {
  QuickMovieRequest r;
  r.Photo = (Folder() / "photo.bmp").string();
  r.Mask = (Folder() / "mask.bmp").string();
  r.Movie = (Folder() / "quick.mp4").string();
  r.Width = 640;
  r.Height = 480;
  int64_t frames = 0;
  for (auto _ : state) {
    ExportCallbacks callbacks;
    frames = MakeQuickMovie(r, callbacks).Frames;
  }
  state.counters["Frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_QuickMovie)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
}  // namespace glkov

BENCHMARK_MAIN();
