// Suggesting the mesh of a 4000 x 3000 photograph (goal: at most 0.5 s): the corn maze
// photograph and the synthetic room, each stretched to that size.
#include <benchmark/benchmark.h>

#include <string>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/vision/suggest_mesh.h"
#include "tools/synthetic_room.h"

namespace {

glkov::TFastBMP Stretched(const glkov::TFastBMP& picture) {
  glkov::TFastBMP out;
  picture.StretchInto(out, 4000, 3000);
  return out;
}

void BM_SuggestMeshPhoto4000x3000(benchmark::State& state) {
  glkov::TFastBMP photo;
  glkov::LoadPictureFile(std::string(GLKOV_SOURCE_DIR) + "/examples/photos/corn_maze.jpg", photo);
  const glkov::TFastBMP big = Stretched(photo);
  for (auto _ : state) benchmark::DoNotOptimize(glkov::vision::SuggestMesh(big));
}
BENCHMARK(BM_SuggestMeshPhoto4000x3000)->Unit(benchmark::kMillisecond);

void BM_SuggestMeshRoom4000x3000(benchmark::State& state) {
  glkov::synthetic::SyntheticRoomOptions o;
  o.Objects.clear();
  const glkov::TFastBMP big = Stretched(glkov::synthetic::MakeSyntheticRoom(o).Background);
  for (auto _ : state) benchmark::DoNotOptimize(glkov::vision::SuggestMesh(big));
}
BENCHMARK(BM_SuggestMeshRoom4000x3000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
