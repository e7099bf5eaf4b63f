#include "core/util/sha256.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

#include <algorithm>
#include <array>
#include <memory>

namespace glkov {

std::string Sha256Hex(const uint8_t* data, size_t size) {
  std::unique_ptr<AVSHA, decltype(&av_free)> sha(av_sha_alloc(), &av_free);
  av_sha_init(sha.get(), 256);
  // av_sha_update takes an unsigned int length on older FFmpeg: feed large buffers in pieces.
  constexpr size_t kChunk = size_t{1} << 30;
  for (size_t done = 0; done < size;) {
    const size_t n = std::min(kChunk, size - done);
    av_sha_update(sha.get(), data + done, static_cast<unsigned>(n));
    done += n;
  }
  std::array<uint8_t, 32> digest{};
  av_sha_final(sha.get(), digest.data());
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(64);
  for (uint8_t b : digest) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 15]);
  }
  return out;
}

}  // namespace glkov
