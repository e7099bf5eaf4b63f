// Computing a camera preset in the default synthetic room (640 x 480, no objects): the keys made
// safe one by one and every frame of the export checked, for a short and a long flight. The
// dialog recomputes the flight on every change of its controls.
#include <benchmark/benchmark.h>

#include "core/animation/camera_presets.h"
#include "core/model/project.h"
#include "core/scene/scene_builder.h"
#include "tools/synthetic_room.h"

namespace {

const glkov::TProject& Room() {
  static const glkov::TProject project = [] {
    glkov::synthetic::SyntheticRoomOptions o;
    o.Objects.clear();
    glkov::TProject p;
    glkov::synthetic::ApplyToProject(glkov::synthetic::MakeSyntheticRoom(o), p);
    p.ObjectsExtracted = true;
    glkov::MakeScene(p);
    return p;
  }();
  return project;
}

// Arguments: preset, seconds.
void BM_CameraPreset(benchmark::State& state) {
  glkov::PresetOptions o;
  o.Preset = static_cast<glkov::CameraPreset>(state.range(0));
  o.Seconds = static_cast<double>(state.range(1));
  o.Strength = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(glkov::ComputeCameraPreset(Room(), o));
  }
  state.SetLabel(glkov::PresetName(o.Preset));
}
BENCHMARK(BM_CameraPreset)->ArgsProduct({{0, 2, 4, 7, 8}, {5, 60}})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
