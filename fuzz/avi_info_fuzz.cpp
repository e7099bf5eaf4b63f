// Fuzzes the AVI header reader behind the movie information window.
#include <cstddef>
#include <cstdint>

#include "core/error.h"
#include "core/output/avi_info.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = glkov::fuzz::WriteScratchFile("input.avi", data, size);
  try {
    const glkov::AviInfo info = glkov::ReadAviInfo(path);
    (void)glkov::AviInfoLines(info);
  } catch (const glkov::Error&) {
  }
  return 0;
}
