#pragma once

// Picture files made in code for the decoder tests: BMP bytes built by hand for every variant,
// JPEG through libjpeg, GIF through giflib's encoder, PNG through libpng. Each maker also gives
// the picture it encodes, so that a test compares the decoded pixels with known ones.

#include <gif_lib.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include "core/error.h"
#include "core/image/fast_bmp.h"

namespace glkov::testing {

inline void SetPixel(TFastBMP& bmp, int x, int y, uint8_t b, uint8_t g, uint8_t r) {
  uint8_t* p = bmp.Pixel(x, y);
  p[0] = b;
  p[1] = g;
  p[2] = r;
}

// Largest difference of one colour byte between two pictures of the same size; 256 when the
// sizes differ.
inline int MaxChannelDiff(const TFastBMP& a, const TFastBMP& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return 256;
  int worst = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < 3 * a.Width(); ++x) {
      worst = std::max(worst, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    }
  }
  return worst;
}

// Every cut of a picture file is refused with a message naming the file, or (when only bytes
// the decoder does not need are missing) gives the whole picture: never half a picture.
template <typename Read>
void ExpectEveryCutRefusedOrComplete(const std::string& name, const std::string& bytes,
                                     const TFastBMP& whole, Read read) {
  for (size_t len = 0; len < bytes.size(); ++len) {
    const std::vector<uint8_t> data(bytes.begin(), bytes.begin() + static_cast<long>(len));
    try {
      EXPECT_EQ(MaxChannelDiff(read(name, data), whole), 0) << name << " cut at " << len;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + name + "\""), std::string::npos) << e.what();
    }
  }
}

// A smooth, photo-like picture (soft gradients and a disc), kind to lossy coding.
inline TFastBMP SmoothPicture(int w, int h) {
  TFastBMP bmp(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int dx = x - w / 2, dy = y - h / 2;
      const bool disc = 4 * (dx * dx + dy * dy) < std::min(w, h) * std::min(w, h) / 4;
      SetPixel(bmp, x, y, static_cast<uint8_t>(40 + 160 * x / std::max(1, w - 1)),
               static_cast<uint8_t>(disc ? 200 : 60 + 120 * y / std::max(1, h - 1)),
               static_cast<uint8_t>(disc ? 220 : 90));
    }
  }
  return bmp;
}

// ---------------------------------------------------------------------------------------------
// BMP

struct BmpSpec {
  int bits = 24;
  uint32_t compression = 0;  // 0 RGB, 1 RLE8, 2 RLE4, 3 bit fields
  bool topDown = false;
  uint32_t infoSize = 40;              // 12 (OS/2 core), 40, 108 (V4), 124 (V5)
  std::array<uint32_t, 4> masks = {};  // red, green, blue, alpha for bit fields
  uint8_t fillByte = 0;                // the fourth byte of 32-bit pixels without bit fields
};

struct BmpFixture {
  std::string bytes;
  TFastBMP expected;
};

namespace bmp_detail {

inline void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xff);
}

inline std::array<uint8_t, 3> PaletteColour(int i) {  // blue, green, red
  return {static_cast<uint8_t>(i * 37 + 11), static_cast<uint8_t>(i * 91 + 7),
          static_cast<uint8_t>(255 - i * 53)};
}

inline int IndexAt(int x, int y, int w, int colours) {
  return x < w / 2 ? (x * 5 + y * 3) % colours : (x / 3 + y) % colours;
}

inline uint32_t Encode(uint8_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (!((mask >> shift) & 1)) ++shift;
  const uint32_t max = mask >> shift;
  return ((value * max + 127) / 255) << shift;
}

// Run-length codes of one row of indices (bottom-up rows are the caller's business).
inline void EncodeRleRow(std::string& out, const std::vector<int>& idx, bool rle4) {
  const int w = static_cast<int>(idx.size());
  int x = 0;
  while (x < w) {
    int run = 1;
    while (x + run < w && idx[x + run] == idx[x] && run < 255) ++run;
    if (run >= 2) {
      out += static_cast<char>(run);
      out += static_cast<char>(rle4 ? (idx[x] << 4 | idx[x]) : idx[x]);
      x += run;
      continue;
    }
    int n = 0;
    while (x + n < w && n < 254 && !(x + n + 1 < w && idx[x + n + 1] == idx[x + n])) ++n;
    if (n < 3) {
      for (int i = 0; i < n; ++i) {
        out += static_cast<char>(1);
        out += static_cast<char>(rle4 ? idx[x + i] << 4 : idx[x + i]);
      }
    } else {
      out += static_cast<char>(0);
      out += static_cast<char>(n);
      std::string data;
      if (rle4) {
        for (int i = 0; i < n; i += 2) {
          const int hi = idx[x + i], lo = i + 1 < n ? idx[x + i + 1] : 0;
          data += static_cast<char>(hi << 4 | lo);
        }
      } else {
        for (int i = 0; i < n; ++i) data += static_cast<char>(idx[x + i]);
      }
      if (data.size() % 2) data += '\0';
      out += data;
    }
    x += n;
  }
  out += std::string("\0\0", 2);  // end of row
}

}  // namespace bmp_detail

// A w x h BMP file of the given variant and the picture it holds. Indexed variants show a
// pattern of runs and single pixels over their palette; 16-bit ones use colours whose channels
// are 0 or 255 (exact at any channel depth); 24- and 32-bit ones a gradient.
inline BmpFixture MakeBmp(const BmpSpec& spec, int w, int h) {
  using namespace bmp_detail;
  BmpFixture f;
  f.expected.SetSize(w, h);
  const bool indexed = spec.bits <= 8;
  const int colours = indexed ? 1 << spec.bits : 0;
  std::vector<std::vector<int>> index(static_cast<size_t>(h), std::vector<int>(w, 0));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (indexed) {
        index[y][x] = IndexAt(x, y, w, colours);
        const auto c = PaletteColour(index[y][x]);
        SetPixel(f.expected, x, y, c[0], c[1], c[2]);
      } else if (spec.bits == 16) {
        const int k = (x + 2 * y) % 8;
        SetPixel(f.expected, x, y, (k & 1) ? 255 : 0, (k & 2) ? 255 : 0, (k & 4) ? 255 : 0);
      } else {
        SetPixel(f.expected, x, y, static_cast<uint8_t>(x * 20 + y * 3),
                 static_cast<uint8_t>(y * 40 + 5), static_cast<uint8_t>(x * 7 + y * 11 + 100));
      }
    }
  }

  std::string pixels;
  if (spec.compression == 1 || spec.compression == 2) {
    for (int r = 0; r < h; ++r) EncodeRleRow(pixels, index[h - 1 - r], spec.compression == 2);
    pixels += std::string("\0\1", 2);  // end of picture
  } else {
    const size_t stride = ((static_cast<size_t>(w) * spec.bits + 31) / 32) * 4;
    for (int r = 0; r < h; ++r) {
      const int y = spec.topDown ? r : h - 1 - r;
      std::string row;
      if (indexed) {
        const int perByte = 8 / spec.bits;
        for (int x = 0; x < w; x += perByte) {
          int byte = 0;
          for (int i = 0; i < perByte; ++i) {
            const int v = x + i < w ? index[y][x + i] : 0;
            byte |= v << (8 - spec.bits * (i + 1));
          }
          row += static_cast<char>(byte);
        }
      } else {
        for (int x = 0; x < w; ++x) {
          const uint8_t* p = f.expected.Pixel(x, y);
          if (spec.bits == 24) {
            row += std::string(reinterpret_cast<const char*>(p), 3);
          } else if (spec.compression == 3) {
            const uint32_t v = Encode(p[2], spec.masks[0]) | Encode(p[1], spec.masks[1]) |
                               Encode(p[0], spec.masks[2]) | Encode(0xff, spec.masks[3]);
            Put(row, v, spec.bits / 8);
          } else if (spec.bits == 16) {
            Put(row, Encode(p[2], 0x7c00) | Encode(p[1], 0x03e0) | Encode(p[0], 0x001f), 2);
          } else {
            row += std::string(reinterpret_cast<const char*>(p), 3);
            row += static_cast<char>(spec.fillByte);
          }
        }
      }
      row.resize(stride, '\0');
      pixels += row;
    }
  }

  std::string info;
  if (spec.infoSize == 12) {
    Put(info, 12, 4);
    Put(info, static_cast<uint32_t>(w), 2);
    Put(info, static_cast<uint32_t>(h), 2);
    Put(info, 1, 2);
    Put(info, static_cast<uint32_t>(spec.bits), 2);
  } else {
    Put(info, spec.infoSize, 4);
    Put(info, static_cast<uint32_t>(w), 4);
    Put(info, static_cast<uint32_t>(spec.topDown ? -h : h), 4);
    Put(info, 1, 2);
    Put(info, static_cast<uint32_t>(spec.bits), 2);
    Put(info, spec.compression, 4);
    Put(info, static_cast<uint32_t>(pixels.size()), 4);
    Put(info, 2835, 4);
    Put(info, 2835, 4);
    Put(info, 0, 4);  // colours used: all
    Put(info, 0, 4);
    if (spec.infoSize >= 108) {
      for (uint32_t m : spec.masks) Put(info, m, 4);
      Put(info, 0x73524742, 4);  // 'sRGB'
      info.resize(spec.infoSize, '\0');
    } else if (spec.compression == 3) {
      for (int i = 0; i < 3; ++i) Put(info, spec.masks[i], 4);
    }
  }
  std::string palette;
  for (int i = 0; i < colours; ++i) {
    const auto c = PaletteColour(i);
    palette += std::string(reinterpret_cast<const char*>(c.data()), 3);
    if (spec.infoSize != 12) palette += '\0';
  }
  const uint32_t offBits = static_cast<uint32_t>(14 + info.size() + palette.size());
  f.bytes = "BM";
  Put(f.bytes, static_cast<uint32_t>(offBits + pixels.size()), 4);
  Put(f.bytes, 0, 4);
  Put(f.bytes, offBits, 4);
  f.bytes += info + palette + pixels;
  return f;
}

// ---------------------------------------------------------------------------------------------
// JPEG

struct JpegSpec {
  int quality = 95;
  bool progressive = false;
  bool grey = false;  // one channel: the picture's green bytes
  bool cmyk = false;  // four channels, Adobe's inverted CMYK of the picture (K = 255)
  bool fullChroma = true;
  const jpeg_scan_info* scans = nullptr;  // a scan script of its own
  int scanCount = 0;
};

inline std::string EncodeJpeg(const TFastBMP& picture, const JpegSpec& spec = {}) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jerr.error_exit = [](j_common_ptr c) {
    char msg[JMSG_LENGTH_MAX];
    (*c->err->format_message)(c, msg);
    throw std::runtime_error(msg);
  };
  jpeg_create_compress(&cinfo);
  unsigned char* mem = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &mem, &size);
  cinfo.image_width = static_cast<JDIMENSION>(picture.Width());
  cinfo.image_height = static_cast<JDIMENSION>(picture.Height());
  cinfo.input_components = spec.grey ? 1 : spec.cmyk ? 4 : 3;
  cinfo.in_color_space = spec.grey ? JCS_GRAYSCALE : spec.cmyk ? JCS_CMYK : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  if (spec.fullChroma) {
    for (int c = 0; c < cinfo.num_components; ++c) {
      cinfo.comp_info[c].h_samp_factor = 1;
      cinfo.comp_info[c].v_samp_factor = 1;
    }
  }
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  if (spec.scans) {
    cinfo.scan_info = spec.scans;
    cinfo.num_scans = spec.scanCount;
  }
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(4 * static_cast<size_t>(picture.Width()));
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* src = picture.Row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < picture.Width(); ++x) {
      if (spec.grey) {
        row[x] = src[3 * x + 1];
      } else if (spec.cmyk) {  // inverted: 255 means no ink
        row[4 * x] = src[3 * x + 2];
        row[4 * x + 1] = src[3 * x + 1];
        row[4 * x + 2] = src[3 * x];
        row[4 * x + 3] = 255;
      } else {
        std::memcpy(&row[3 * x], src + 3 * x, 3);
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string out(reinterpret_cast<const char*>(mem), size);
  std::free(mem);
  return out;
}

// Decodes with libjpeg alone, for comparison.
inline TFastBMP DecodeJpegDirectly(const std::string& bytes) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  TFastBMP out(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height));
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW r = out.Row(static_cast<int>(cinfo.output_scanline));
    jpeg_read_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return out;
}

// ---------------------------------------------------------------------------------------------
// GIF

struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlace = false;
  std::vector<uint8_t> indices;            // width * height, rows top-down
  std::vector<GifColorType> localColours;  // empty: the global table
  int transparent = -1;
};

struct GifSpec {
  int screenWidth = 0, screenHeight = 0;
  std::vector<GifColorType> globalColours;  // a power of two entries, or empty
  int background = 0;
  std::vector<GifFrame> frames;
};

inline std::string EncodeGif(const GifSpec& spec) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(
      &out,
      [](GifFileType* g, const GifByteType* data, int n) {
        static_cast<std::string*>(g->UserData)->append(reinterpret_cast<const char*>(data), n);
        return n;
      },
      &error);
  if (!gif) throw std::runtime_error("EGifOpen failed");
  auto check = [&](int rc) {
    if (rc == GIF_ERROR) throw std::runtime_error(GifErrorString(gif->Error));
  };
  auto makeMap = [](const std::vector<GifColorType>& colours) -> ColorMapObject* {
    if (colours.empty()) return nullptr;
    return GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  };
  ColorMapObject* global = makeMap(spec.globalColours);
  const int depth = global ? global->BitsPerPixel : 8;
  EGifSetGifVersion(gif, true);
  check(
      EGifPutScreenDesc(gif, spec.screenWidth, spec.screenHeight, depth, spec.background, global));
  GifFreeMapObject(global);
  for (const GifFrame& f : spec.frames) {
    if (f.transparent >= 0) {
      GraphicsControlBlock gcb{};
      gcb.TransparentColor = f.transparent;
      GifByteType ext[4];
      const size_t len = EGifGCBToExtension(&gcb, ext);
      check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(len), ext));
    }
    ColorMapObject* local = makeMap(f.localColours);
    check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local));
    GifFreeMapObject(local);
    // Interlaced frames are written in pass order.
    std::vector<int> order;
    if (f.interlace) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p) {
        for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
      }
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(f.indices.begin() + y * f.width,
                                     f.indices.begin() + (y + 1) * f.width);
      check(EGifPutLine(gif, line.data(), f.width));
    }
  }
  if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error("EGifCloseFile failed");
  return out;
}

// ---------------------------------------------------------------------------------------------
// PNG

// Encodes pixels given in one of libpng's simplified formats (PNG_FORMAT_RGB, _RGBA, _GRAY ...).
inline std::string EncodePng(const std::vector<uint8_t>& pixels, int w, int h, uint32_t format,
                             const std::vector<uint8_t>& colormap = {}) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = format;
  image.colormap_entries = static_cast<png_uint_32>(colormap.size() / 3);
  png_alloc_size_t size = 0;
  const void* cmap = colormap.empty() ? nullptr : colormap.data();
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, cmap)) {
    throw std::runtime_error(image.message);
  }
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, cmap)) {
    throw std::runtime_error(image.message);
  }
  out.resize(size);
  return out;
}

// CRC-32 as PNG chunks use it, for tests that edit a chunk.
inline uint32_t PngCrc(const char* data, size_t n) {
  uint32_t crc = 0xffffffffu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= static_cast<uint8_t>(data[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

}  // namespace glkov::testing
