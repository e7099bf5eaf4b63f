// Fuzzes the camera path reader (.cam).
#include <cstddef>
#include <cstdint>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = glkov::fuzz::WriteScratchFile("input.cam", data, size);
  glkov::TProject project;
  glkov::TTimeline timeline(project);
  try {
    glkov::LoadCameraPathFile(timeline, path);
  } catch (const glkov::Error&) {
  }
  return 0;
}
