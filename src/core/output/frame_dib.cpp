#include "core/output/frame_dib.h"

#include <algorithm>
#include <limits>
#include <string>

#include "core/error.h"

namespace glkov {
namespace {

constexpr RgbQuad Rgb(uint8_t r, uint8_t g, uint8_t b) { return RgbQuad{b, g, r, 0}; }

constexpr std::array<RgbQuad, 16> kStandard16 = {
    Rgb(0, 0, 0),       Rgb(128, 0, 0),   Rgb(0, 128, 0),   Rgb(128, 128, 0),
    Rgb(0, 0, 128),     Rgb(128, 0, 128), Rgb(0, 128, 128), Rgb(192, 192, 192),
    Rgb(128, 128, 128), Rgb(255, 0, 0),   Rgb(0, 255, 0),   Rgb(255, 255, 0),
    Rgb(0, 0, 255),     Rgb(255, 0, 255), Rgb(0, 255, 255), Rgb(255, 255, 255)};

constexpr int kCubeBase = 16;
constexpr int kGreyBase = 16 + 216;

std::array<RgbQuad, 256> MakePalette256() {
  std::array<RgbQuad, 256> p{};
  for (int i = 0; i < 16; ++i) p[i] = kStandard16[i];
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        p[kCubeBase + 36 * r + 6 * g + b] =
            Rgb(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                static_cast<uint8_t>(51 * b));
      }
    }
  }
  for (int i = 0; i < 24; ++i) {
    const auto v = static_cast<uint8_t>(8 + 10 * i);
    p[kGreyBase + i] = Rgb(v, v, v);
  }
  return p;
}

int Dist2(const RgbQuad& q, int b, int g, int r) {
  const int db = q.rgbBlue - b;
  const int dg = q.rgbGreen - g;
  const int dr = q.rgbRed - r;
  return db * db + dg * dg + dr * dr;
}

// Nearest of the levels 0, 51, ..., 255 to v (no ties between integers and these levels).
int CubeLevel(int v) { return (v + 25) / 51; }

int64_t CheckedProduct(int64_t a, int64_t b) {
  const int64_t p = a * b;  // both operands are below 2^32 here
  if (p > std::numeric_limits<int32_t>::max()) throw Error("Arithmetic overflow");
  return p;
}

// Remembers the nearest palette entry of recently seen colours (frames repeat colours a lot).
// Direct-mapped on a hash of the colour; exact, since a hit compares the whole colour.
class NearestCache {
 public:
  explicit NearestCache(int bitCount) : bitCount_(bitCount), keys_(kSize, kEmpty), values_(kSize) {}
  uint8_t Index(uint8_t blue, uint8_t green, uint8_t red);

 private:
  static constexpr size_t kSize = 1 << 14;
  static constexpr uint32_t kEmpty = 0xFFFFFFFF;
  int bitCount_;
  std::vector<uint32_t> keys_;
  std::vector<uint8_t> values_;
};

}  // namespace

int FrameBitCount(int colorCount) {
  switch (colorCount) {
    case 0:
    case 65536:
      return 24;
    case 2:
      return 1;
    case 16:
      return 4;
    case 256:
      return 8;
    default:
      throw Error("Unsupported colour count " + std::to_string(colorCount));
  }
}

BitmapInfoHeader InitFrameInfoHeader(int width, int height, int colorCount) {
  if (width <= 0 || height <= 0) {
    throw Error("Invalid frame size " + std::to_string(width) + " x " + std::to_string(height));
  }
  BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<uint16_t>(FrameBitCount(colorCount));
  const int64_t rowBits = CheckedProduct(width, h.biBitCount) + 31;
  if (rowBits > std::numeric_limits<int32_t>::max()) throw Error("Arithmetic overflow");
  const int64_t rowBytes = CheckedProduct(rowBits / 32, 4);
  h.biSizeImage = static_cast<uint32_t>(CheckedProduct(rowBytes, height));
  h.biClrUsed = h.biBitCount <= 8 ? (1u << h.biBitCount) : 0;
  return h;
}

FrameDIBSizes GetFrameDIBSizes(int width, int height, int colorCount) {
  const BitmapInfoHeader h = InitFrameInfoHeader(width, height, colorCount);
  FrameDIBSizes s;
  s.HeaderSize = h.biBitCount <= 8 ? 40 + 4 * (1u << h.biBitCount) : 40;
  s.ImageSize = h.biSizeImage;
  return s;
}

const std::array<RgbQuad, 16>& StandardPalette16() { return kStandard16; }

const std::array<RgbQuad, 256>& FixedPalette256() {
  static const std::array<RgbQuad, 256> palette = MakePalette256();
  return palette;
}

std::vector<RgbQuad> FramePalette(int bitCount) {
  if (bitCount == 4) return {kStandard16.begin(), kStandard16.end()};
  if (bitCount == 8) return {FixedPalette256().begin(), FixedPalette256().end()};
  if (bitCount == 1) return {Rgb(0, 0, 0), Rgb(255, 255, 255)};
  return {};
}

int NearestColorIndex(const std::vector<RgbQuad>& palette, uint8_t blue, uint8_t green,
                      uint8_t red) {
  int best = 0;
  int bestDist = std::numeric_limits<int>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    const int d = Dist2(palette[i], blue, green, red);
    if (d < bestDist) {
      bestDist = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}

int NearestColorIndex16(uint8_t blue, uint8_t green, uint8_t red) {
  int best = 0;
  int bestDist = std::numeric_limits<int>::max();
  for (int i = 0; i < 16; ++i) {
    const int d = Dist2(kStandard16[i], blue, green, red);
    if (d < bestDist) {
      bestDist = d;
      best = i;
    }
  }
  return best;
}

int NearestColorIndex256(uint8_t blue, uint8_t green, uint8_t red) {
  // The nearest entry is the nearest of three candidates: the nearest standard colour, the
  // nearest cube point (per channel, the cube being a grid) and the nearest grey of the ramp.
  // They are compared in index order, so equals resolve to the lowest index as in a full search.
  const auto& p = FixedPalette256();
  int best = NearestColorIndex16(blue, green, red);
  int bestDist = Dist2(p[best], blue, green, red);
  const int cube = kCubeBase + 36 * CubeLevel(red) + 6 * CubeLevel(green) + CubeLevel(blue);
  if (const int d = Dist2(p[cube], blue, green, red); d < bestDist) {
    bestDist = d;
    best = cube;
  }
  // Greys 8 + 10 i: the squared distance is convex in the grey level, so the nearest lies next
  // to the mean of the three channels.
  const int sum = blue + green + red;
  const int i0 = std::clamp((sum - 24) / 30, 0, 23);  // floor of (mean - 8) / 10 for sum >= 24
  for (int i = std::max(0, i0 - 1); i <= std::min(23, i0 + 1); ++i) {
    const int d = Dist2(p[kGreyBase + i], blue, green, red);
    if (d < bestDist) {
      bestDist = d;
      best = kGreyBase + i;
    }
  }
  return best;
}

uint8_t NearestCache::Index(uint8_t blue, uint8_t green, uint8_t red) {
  const uint32_t key = uint32_t{blue} | uint32_t{green} << 8 | uint32_t{red} << 16;
  const size_t slot = ((key * 2654435761u) >> 18) & (kSize - 1);
  if (keys_[slot] != key) {
    keys_[slot] = key;
    values_[slot] = static_cast<uint8_t>(bitCount_ == 4 ? NearestColorIndex16(blue, green, red)
                                                        : NearestColorIndex256(blue, green, red));
  }
  return values_[slot];
}

void GetFrameDIB(const TFastBMP& frame, int colorCount, BitmapInfoHeader& header,
                 std::vector<uint8_t>& bits) {
  header = InitFrameInfoHeader(frame.Width(), frame.Height(), colorCount);
  bits.resize(header.biSizeImage);
  ConvertFrameBits(frame, header, bits.data());
}

void ConvertFrameBits(const TFastBMP& frame, const BitmapInfoHeader& header, uint8_t* bits,
                      RowOrder rows) {
  const int w = frame.Width();
  const int h = frame.Height();
  const size_t stride = header.biSizeImage / static_cast<uint32_t>(h);
  NearestCache cache(header.biBitCount);
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = frame.Row(rows == RowOrder::TopDown ? h - 1 - y : y);  // DIB: bottom-up
    uint8_t* dst = bits + static_cast<size_t>(y) * stride;
    if (header.biBitCount == 24) {
      std::copy(src, src + 3 * static_cast<size_t>(w), dst);
      std::fill(dst + 3 * static_cast<size_t>(w), dst + stride, uint8_t{0});
      continue;
    }
    std::fill(dst, dst + stride, uint8_t{0});
    switch (header.biBitCount) {
      case 8:
        for (int x = 0; x < w; ++x, src += 3) {
          dst[x] = cache.Index(src[0], src[1], src[2]);
        }
        break;
      case 4:
        for (int x = 0; x < w; ++x, src += 3) {
          const uint8_t index = cache.Index(src[0], src[1], src[2]);
          dst[x / 2] |= (x % 2 == 0) ? static_cast<uint8_t>(index << 4) : index;
        }
        break;
      case 1:
        // Black and white, whichever is nearer.
        for (int x = 0; x < w; ++x, src += 3) {
          if (src[0] + src[1] + src[2] > 382) dst[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        break;
      default:
        break;
    }
  }
}

void ReduceFrameColors(TFastBMP& frame, int bitCount) {
  if (bitCount != 4 && bitCount != 8) return;
  const auto& p = FixedPalette256();  // its first 16 entries are the standard colours
  NearestCache cache(bitCount);
  for (int y = 0; y < frame.Height(); ++y) {
    uint8_t* px = frame.Row(y);
    for (int x = 0; x < frame.Width(); ++x, px += 3) {
      const int i = cache.Index(px[0], px[1], px[2]);
      px[0] = p[i].rgbBlue;
      px[1] = p[i].rgbGreen;
      px[2] = p[i].rgbRed;
    }
  }
}

}  // namespace glkov
