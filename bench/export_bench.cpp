// The movie export against rendering the same frames without writing a movie, against
// rendering with a fresh context and texture upload for every frame, and at 1920 x 1080 with the
// process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/output/export.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/renderer.h"
#include "core/scene/scene_builder.h"
#include "tools/synthetic_room.h"

namespace glkov {
namespace {

constexpr int kFramesPerKey = 60;  // three segments: 181 frames

// The synthetic room written once into a temporary folder, with a four-key fly-in.
const std::filesystem::path& SampleProject() {
  static const std::filesystem::path project = [] {
    const auto folder = std::filesystem::temp_directory_path() / "glkov-export-bench";
    std::filesystem::create_directories(folder);
    const auto room = synthetic::MakeSyntheticRoom();
    auto path = synthetic::WriteRoomProject(room, folder, "room");
    auto flight = synthetic::RoomFlyIn(room);
    flight.FPK = kFramesPerKey;
    std::FILE* f = std::fopen((folder / "room.cam").c_str(), "wb");
    const std::string text = synthetic::FormatCameraPath(flight);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
  }();
  return project;
}

struct Loaded {
  TProject project;
  std::unique_ptr<TTimeline> timeline;
  Loaded() : timeline(std::make_unique<TTimeline>(project)) {
    LoadProject(project, *timeline, SampleProject().string());
  }
};

// One whole export into bench.avi; returns its frame count.
int64_t ExportOnce(Loaded& loaded, int width, int height) {
  ExportRequest request;
  request.FileName = (SampleProject().parent_path() / "bench.avi").string();
  request.Options.Width = width;
  request.Options.Height = height;
  ExportCallbacks callbacks;
  return ExportAnimation(loaded.project, *loaded.timeline, request, callbacks).Frames;
}

// Everything the export does except writing the movie: enter the sub-scene, make the scene,
// create the off-screen target, upload the textures, render and read back every frame. With
// recreateEveryFrame, each frame gets a fresh context and a fresh texture upload. Returns the
// frame count.
int64_t RenderOnce(Loaded& loaded, bool recreateEveryFrame) {
  TProject& p = loaded.project;
  const auto keys = loaded.timeline->KeyFrames();
  const auto segments =
      SegmentFrameCounts(static_cast<int>(keys.size()), kFramesPerKey, 1.0, false);
  int64_t total = 0;
  for (int n : segments) total += n;
  RenderSwitches switches;
  switches.SeeVWClip = true;
  TFastBMP frame;
  EnterSubScene(p, *loaded.timeline, 1, DefaultCallbacks());
  MakeScene(p);
  auto target = std::make_unique<OffscreenTarget>(640, 480);
  auto renderer = std::make_unique<SceneRenderer>();
  renderer->UploadScene(p, 0);
  for (int64_t f = 0; f <= total; ++f) {
    if (recreateEveryFrame) {
      renderer.reset();
      target.reset();
      target = std::make_unique<OffscreenTarget>(640, 480);
      renderer = std::make_unique<SceneRenderer>();
      renderer->UploadScene(p, 0);
    }
    const TCamera camera = InterpolateCamera(f, keys, segments, 0);
    renderer->GLDraw(p, camera, switches, 640, 480);
    target->ReadFrame(frame);
  }
  return total + 1;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs one export and right after it one rendering alone per iteration, so that both meet the same
// moment of a noisy machine; the counters are the medians of the two frame rates and of the
// pairs' ratios. One untimed pair first warms up what is done once per process (the first movie,
// the first file of that name).
void ExportAgainst(benchmark::State& state, bool recreateEveryFrame) {
  Loaded loaded;
  ExportOnce(loaded, 640, 480);
  RenderOnce(loaded, recreateEveryFrame);
  std::vector<double> exportFps;
  std::vector<double> renderFps;
  std::vector<double> ratios;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    exportFps.push_back(static_cast<double>(ExportOnce(loaded, 640, 480)) / SecondsSince(start));
    start = std::chrono::steady_clock::now();
    renderFps.push_back(static_cast<double>(RenderOnce(loaded, recreateEveryFrame)) /
                        SecondsSince(start));
    ratios.push_back(exportFps.back() / renderFps.back());
  }
  state.counters["export_fps"] = Median(exportFps);
  state.counters["render_fps"] = Median(renderFps);
  state.counters["ratio"] = Median(ratios);
}

void Export1080p(benchmark::State& state) {
  Loaded loaded;
  int64_t frames = 0;
  for (auto _ : state) frames += ExportOnce(loaded, 1920, 1080);
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(ExportAgainst, render_alone_640x480, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(11);
BENCHMARK_CAPTURE(ExportAgainst, recreate_every_frame_640x480, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK(Export1080p)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace glkov

namespace {
// The counters of every benchmark, by its name up to the second '/'.
std::map<std::string, benchmark::UserCounters> measured;

class CounterReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const std::string name = run.benchmark_name();
      measured[name.substr(0, name.find('/', name.find('/') + 1))] = run.counters;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

double Get(const std::string& benchmark, const std::string& counter) {
  const auto b = measured.find(benchmark);
  if (b == measured.end()) return 0.0;
  const auto c = b->second.find(counter);
  return c == b->second.end() ? 0.0 : c->second.value;
}
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CounterReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("\nexport at 640x480: %.1f frames/s; rendering alone: %.1f frames/s (medians)\n",
              Get("ExportAgainst/render_alone_640x480", "export_fps"),
              Get("ExportAgainst/render_alone_640x480", "render_fps"));
  std::printf("export / render alone at 640x480:              %.2f (goal >= 0.8)\n",
              Get("ExportAgainst/render_alone_640x480", "ratio"));
  std::printf("export / re-create context every frame 640x480: %.2f (goal >= 5)\n",
              Get("ExportAgainst/recreate_every_frame_640x480", "ratio"));
  std::printf(
      "export at 1920x1080: %.1f frames/s; peak memory of this process %.0f MB (goal < 400)\n",
      Get("Export1080p/iterations:1", "fps"), usage.ru_maxrss / 1024.0);
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / "glkov-export-bench");
  return 0;
}
