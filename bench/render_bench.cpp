// Frames per second of the off-screen renderer with read-back: one context and one texture
// upload for the whole run (what the export does), against re-creating the context and
// re-uploading the textures for every frame. Prints the ratios after the table.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>

#include "core/image/fast_bmp.h"
#include "core/model/project.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"

namespace {

using glkov::TProject;

// A box of five planes with 512 x 512 textures and three half-transparent 256 x 256 object
// boards, seen from the eye: 640 x 480 picture, vanishing point in the middle.
TProject MakeBenchScene() {
  TProject p;
  p.PicWidth = 640;
  p.PicHeight = 480;
  p.VanishX = 320;
  p.VanishY = 200;
  p.SceneScale = 200;
  p.EyeDistance = 2.5;
  p.EyeHeight = 1.0;
  const double c = 2.4, r = -3, w = 1.6;
  const double corners[5][4][3] = {
      {{-w, 0, r}, {w, 0, r}, {w, 0, 0}, {-w, 0, 0}},
      {{w, 0, r}, {w, c, r}, {w, c, 0}, {w, 0, 0}},
      {{-w, c, r}, {-w, 0, r}, {-w, 0, 0}, {-w, c, 0}},
      {{w, c, r}, {-w, c, r}, {-w, c, 0}, {w, c, 0}},
      {{-w, 0, r}, {w, 0, r}, {w, c, r}, {-w, c, r}},
  };
  for (int b = 0; b < 5; ++b) {
    glkov::TBoard& board = p.Boards[b];
    for (int k = 0; k < 4; ++k) {
      board.X[k] = corners[b][k][0];
      board.Y[k] = corners[b][k][1];
      board.Z[k] = corners[b][k][2];
    }
    board.TexWidth = board.TexHeight = 512;
    board.Texels.resize(512 * 512 * 3);
    for (size_t i = 0; i < board.Texels.size(); ++i) {
      board.Texels[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(b) * 50) % 251);
    }
  }
  for (int k = 0; k < 3; ++k) {
    glkov::TfgObj obj;
    obj.DrawOrder = k;
    const double x0 = -1.2 + 0.8 * k, z = -2.0 + 0.6 * k;
    obj.X = {x0, x0 + 0.7, x0 + 0.7, x0};
    obj.Y = {0, 0, 1.2, 1.2};
    obj.Z = {z, z, z, z};
    obj.TexWidth = obj.TexHeight = 256;
    obj.Texels.resize(256 * 256 * 4);
    for (size_t i = 0; i < obj.Texels.size(); ++i) {
      obj.Texels[i] = static_cast<uint8_t>(i % 4 == 3 ? ((i / 1024) % 2 ? 255 : 96) : i % 199);
    }
    p.fgObjs.push_back(std::move(obj));
  }
  p.SceneMade = true;
  return p;
}

glkov::TCamera EyeCamera(const TProject& p, int frame) {
  glkov::TCamera cam;
  cam.CamPos = {0.2 * std::sin(frame * 0.05), p.EyeHeight, p.EyeDistance - 0.01 * (frame % 100)};
  cam.CamDir = {0.1 * std::sin(frame * 0.03), 0, -1};
  return cam;
}

glkov::RenderSwitches Switches() {
  glkov::RenderSwitches sw;
  sw.Quality = 1;
  return sw;
}

// The export's way: one target, one upload; per frame draw and read back.
void BM_RenderOneContext(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  TProject p = MakeBenchScene();
  glkov::OffscreenTarget target(w, h);
  glkov::SceneRenderer renderer;
  renderer.UploadScene(p, 1);
  glkov::TFastBMP frame;
  int n = 0;
  for (auto _ : state) {
    renderer.GLDraw(p, EyeCamera(p, n++), Switches(), w, h);
    target.ReadFrame(frame);
    benchmark::DoNotOptimize(frame.Bits());
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A new context and a new texture upload for every frame.
void BM_RenderNewContextEachFrame(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  TProject p = MakeBenchScene();
  glkov::TFastBMP frame;
  int n = 0;
  for (auto _ : state) {
    glkov::OffscreenTarget target(w, h);
    glkov::SceneRenderer renderer;
    renderer.UploadScene(p, 1);
    renderer.GLDraw(p, EyeCamera(p, n++), Switches(), w, h);
    target.ReadFrame(frame);
    benchmark::DoNotOptimize(frame.Bits());
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RenderOneContext)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RenderNewContextEachFrame)
    ->Args({640, 480})
    ->Args({1920, 1080})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Keeps every run's frames per second for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("fps");
      if (it != run.counters.end() && run.run_type == Run::RT_Iteration) {
        fps_[run.benchmark_name()] = it->second.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    for (const char* size : {"640/480", "1920/1080"}) {
      const std::string one = std::string("BM_RenderOneContext/") + size + "/real_time";
      const std::string every = std::string("BM_RenderNewContextEachFrame/") + size + "/real_time";
      if (!fps_.count(one) || !fps_.count(every)) continue;
      std::printf(
          "render %s: %.1f frames/s with one context, %.1f re-creating it each frame; "
          "ratio %.2f (goal at 640 x 480: at least 5)\n",
          size, fps_.at(one), fps_.at(every), fps_.at(one) / fps_.at(every));
    }
  }

 private:
  std::map<std::string, double> fps_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
