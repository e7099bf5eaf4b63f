// The movie export against rendering the same frames without writing a movie, against
// rendering with a fresh context and texture upload for every frame, and at 1920 x 1080 with the
// process's peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

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

void Export(benchmark::State& state, int width, int height) {
  Loaded loaded;
  ExportRequest request;
  request.FileName = (SampleProject().parent_path() / "bench.avi").string();
  request.Options.Width = width;
  request.Options.Height = height;
  ExportCallbacks callbacks;
  int64_t frames = 0;
  for (auto _ : state)
    frames += ExportAnimation(loaded.project, *loaded.timeline, request, callbacks).Frames;
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

// Everything the export does except writing the movie: enter the sub-scene, make the scene,
// create the off-screen target, upload the textures, render and read back every frame. With
// recreateEveryFrame, each frame gets a fresh context and a fresh texture upload.
void RenderOnly(benchmark::State& state, bool recreateEveryFrame) {
  Loaded loaded;
  TProject& p = loaded.project;
  const auto keys = loaded.timeline->KeyFrames();
  const auto segments =
      SegmentFrameCounts(static_cast<int>(keys.size()), kFramesPerKey, 1.0, false);
  int64_t total = 0;
  for (int n : segments) total += n;
  RenderSwitches switches;
  switches.SeeVWClip = true;
  TFastBMP frame;
  int64_t frames = 0;
  for (auto _ : state) {
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
      ++frames;
    }
  }
  state.counters["fps"] =
      benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK_CAPTURE(Export, export_640x480, 640, 480)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(RenderOnly, render_only_640x480, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(RenderOnly, recreate_every_frame_640x480, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(Export, export_1920x1080, 1920, 1080)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace glkov

namespace {
std::map<std::string, double> measured;

class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      const auto it = run.counters.find("fps");
      if (it != run.counters.end()) measured[run.benchmark_name()] = it->second.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto get = [](const std::string& name) {
    const auto it = measured.find(name);
    return it == measured.end() ? 0.0 : it->second;
  };
  const double exportFps = get("Export/export_640x480/iterations:3/real_time");
  const double renderFps = get("RenderOnly/render_only_640x480/iterations:3/real_time");
  const double recreateFps = get("RenderOnly/recreate_every_frame_640x480/iterations:1/real_time");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("\nexport / render alone at 640x480:              %.2f (goal >= 0.8)\n",
              renderFps > 0 ? exportFps / renderFps : 0.0);
  std::printf("export / re-create context every frame 640x480: %.2f (goal >= 5)\n",
              recreateFps > 0 ? exportFps / recreateFps : 0.0);
  std::printf(
      "export at 1920x1080: %.1f frames/s; peak memory of this process %.0f MB (goal < 400)\n",
      get("Export/export_1920x1080/iterations:1/real_time"), usage.ru_maxrss / 1024.0);
  std::filesystem::remove_all(std::filesystem::temp_directory_path() / "glkov-export-bench");
  return 0;
}
