// Making the scene of a 4000 x 3000 sub-scene with five objects: five plane textures and five
// object textures sampled from the pictures (the work of one "Make" without the extraction).
#include <benchmark/benchmark.h>

#include "core/model/project.h"
#include "core/scene/scene_builder.h"

namespace {

using glkov::TFastBMP;
using glkov::TProject;

void FillPattern(TFastBMP& bmp, int seed) {
  for (int row = 0; row < bmp.Height(); ++row) {
    uint8_t* p = bmp.Row(row);
    for (int x = 0; x < bmp.Width(); ++x, p += 3) {
      p[0] = static_cast<uint8_t>(x + seed);
      p[1] = static_cast<uint8_t>(row ^ x);
      p[2] = static_cast<uint8_t>(row + seed);
    }
  }
}

TProject BigProject(bool withLabels) {
  TProject p;
  p.PicWidth = 4000;
  p.PicHeight = 3000;
  p.IOriginal_r.SetSize(4000, 3000);
  p.IBackground_r.SetSize(4000, 3000);
  p.IMask_r.SetSize(4000, 3000);
  FillPattern(p.IOriginal_r, 1);
  FillPattern(p.IBackground_r, 2);
  FillPattern(p.IMask_r, 3);
  glkov::ResetMeshDefaults(p);
  glkov::TMeshRegion window;
  window.Name = "Window";
  window.Left = window.Top = 10;
  window.Right = 3989;
  window.Bottom = 2989;
  glkov::TMeshRegion region;
  region.Name = "Region 1";
  region.Right = 3999;
  region.Bottom = 2999;
  p.MeshRegions = {window, region};
  p.CurrentRegion = 1;
  glkov::StoreRegion(p, 1);
  // Five objects standing on the floor, 300 to 1100 pixels in size.
  for (int k = 0; k < 5; ++k) {
    glkov::TfgObj o;
    o.Name = "Object " + std::to_string(k + 1);
    o.X1 = 200 + 700 * k;
    o.X2 = o.X1 + 300 + 200 * k;
    o.Y1 = 100 + 150 * k;
    o.Y2 = o.Y1 + 1100 - 150 * k;
    o.Parent = glkov::kFloor;
    p.fgObjs.push_back(o);
  }
  if (withLabels) {
    p.LabelImage.SetSize(4000, 3000);
    FillPattern(p.LabelImage, 4);
  }
  p.ObjectsExtracted = true;
  return p;
}

void BM_MakeScene(benchmark::State& state) {
  TProject p = BigProject(state.range(0) != 0);
  for (auto _ : state) {
    glkov::MakeScene(p);
    benchmark::DoNotOptimize(p.Boards[0].Texels.data());
  }
  size_t texels = 0;
  for (const auto& b : p.Boards) texels += b.Texels.size() / 3;
  for (const auto& o : p.fgObjs) texels += o.Texels.size() / 4;
  state.counters["texels"] = static_cast<double>(texels);
  state.counters["texels/s"] = benchmark::Counter(static_cast<double>(texels),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_MakeScene)->Arg(0)->Arg(1)->ArgName("label")->Unit(benchmark::kMillisecond);

// The two sampling steps on their own: the five plane textures, the five object textures.
void BM_BuildScenePlanes(benchmark::State& state) {
  TProject p = BigProject(false);
  for (auto _ : state) {
    glkov::BuildScene(p, false);
    benchmark::DoNotOptimize(p.Boards[0].Texels.data());
  }
}
BENCHMARK(BM_BuildScenePlanes)->Unit(benchmark::kMillisecond);

void BM_BuildObjectTextures(benchmark::State& state) {
  TProject p = BigProject(true);
  for (auto _ : state) {
    glkov::BuildObjectTextures(p, false);
    benchmark::DoNotOptimize(p.fgObjs[0].Texels.data());
  }
}
BENCHMARK(BM_BuildObjectTextures)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
