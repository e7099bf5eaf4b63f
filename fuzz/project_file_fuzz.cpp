// Fuzzes the project file reader (.kov). The project's folder holds three tiny pictures
// (o.bmp, b.bmp, m.bmp) and a camera path (p.cam), so inputs naming them get past the
// picture loading into the sub-scenes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "fuzz_support.h"

namespace {

constexpr const char* kPath =
    "KOV Camera Path File 1.1\r\n20\r\n60\r\n40\r\n2\r\n"
    "1 0 0.4 1.2 0 0 -1 0 1 0\r\n1 0.1 0.4 0.5 -0.1 -0.05 -1 0 1 0\r\n";

void PrepareFolder() {
  glkov::TFastBMP picture;
  picture.SetSize(64, 48);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      uint8_t* pixel = picture.Pixel(x, y);
      pixel[0] = static_cast<uint8_t>(x * 4);
      pixel[1] = static_cast<uint8_t>(y * 5);
      pixel[2] = static_cast<uint8_t>((x + y) & 1 ? 255 : 0);
    }
  }
  const auto& dir = glkov::fuzz::Scratch().Path();
  for (const char* name : {"o.bmp", "b.bmp", "m.bmp"}) {
    glkov::SaveBMP((dir / name).string(), picture);
  }
  glkov::fuzz::WriteScratchFile("p.cam", reinterpret_cast<const uint8_t*>(kPath),
                                std::strlen(kPath));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  PrepareFolder();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = glkov::fuzz::WriteScratchFile("input.kov", data, size);
  glkov::TProject project;
  glkov::TTimeline timeline(project);
  try {
    glkov::LoadProject(project, timeline, path);
  } catch (const glkov::Error&) {
  }
  return 0;
}
