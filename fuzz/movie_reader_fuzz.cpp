// Fuzzes the internal player's path: opening a movie (container probing and demuxing, packet
// index) and decoding its frames to 24-bit pictures, in play order and by seeking back.
#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavutil/log.h>
}

#include "core/error.h"
#include "core/image/fast_bmp.h"
#include "core/output/movie_reader.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  av_log_set_level(AV_LOG_QUIET);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = glkov::fuzz::WriteScratchFile("input.avi", data, size);
  try {
    glkov::TMovieReader reader(path);
    (void)reader.Width();
    (void)reader.FramePeriodMs();
    glkov::TFastBMP frame;
    // The first frames as playing shows them, then the last and a step back (a seek).
    const int count = reader.FrameCount();
    for (int n = 0; n < std::min(count, 6); ++n) reader.ReadFrame(n, frame);
    if (count > 0) {
      reader.ReadFrame(count - 1, frame);
      reader.ReadFrame(count / 2, frame);
    }
    reader.ReadFrame(count, frame);
  } catch (const glkov::Error&) {
  }
  return 0;
}
