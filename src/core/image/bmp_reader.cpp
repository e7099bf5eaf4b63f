// BMP files. Our own header check refuses oversized and truncated files before anything is
// allocated. Palette pictures (1, 4 and 8 bits, RLE4, RLE8) go through Qt's BMP decoder; direct
// colour pictures (16, 24, 32 bits, bit fields) are unpacked here, because Qt 6.4 widens 5-bit
// channels by a plain shift (white 16-bit pixels come out 248, 248, 248).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>
#include <string>

#include "core/image/picture_file.h"
#include "core/image/picture_reader.h"

namespace glkov {
namespace {

uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint32_t>(d[at]) | static_cast<uint32_t>(d[at + 1]) << 8 |
         static_cast<uint32_t>(d[at + 2]) << 16 | static_cast<uint32_t>(d[at + 3]) << 24;
}

uint16_t U16(const std::vector<uint8_t>& d, size_t at) {
  return static_cast<uint16_t>(d[at] | d[at + 1] << 8);
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

struct BmpHeader {
  long long width = 0;
  long long height = 0;  // rows, whatever their order
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t offBits = 0;    // where the pixel data starts in the file
  uint32_t masks[3] = {};  // red, green, blue for direct colour pictures
};

// Checks the file and information headers and, for uncompressed rows, that all rows are there.
BmpHeader CheckBmpHeader(const std::string& fileName, const std::vector<uint8_t>& d) {
  if (d.size() < 2 || d[0] != 'B' || d[1] != 'M') PictureError(fileName, "it is not a BMP file");
  if (d.size() < 14 + 16) PictureError(fileName, "the file is truncated");
  const uint32_t offBits = U32(d, 10);
  const uint32_t infoSize = U32(d, 14);
  BmpHeader h;
  int planes = 1;
  if (infoSize == 12) {  // OS/2 1.x core header: unsigned 16-bit sizes, no compression
    h.width = U16(d, 18);
    h.height = U16(d, 20);
    planes = U16(d, 22);
    h.bits = U16(d, 24);
  } else if (infoSize >= 40 && infoSize <= 1024) {
    if (d.size() < 14 + 40) PictureError(fileName, "the file is truncated");
    h.width = static_cast<int32_t>(U32(d, 18));
    h.height = static_cast<int32_t>(U32(d, 22));
    h.topDown = h.height < 0;
    if (h.topDown) h.height = -h.height;
    planes = U16(d, 26);
    h.bits = U16(d, 28);
    h.compression = U32(d, 30);
  } else {
    PictureError(fileName, "unsupported BMP header of " + std::to_string(infoSize) + " bytes");
  }
  if (planes != 1) PictureError(fileName, "corrupt BMP header (planes)");
  CheckPictureSize(fileName, h.width, h.height);
  const bool bitsOk =
      h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 || h.bits == 32;
  if (!bitsOk) {
    PictureError(fileName, "unsupported BMP colour depth of " + std::to_string(h.bits) + " bits");
  }
  switch (h.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
      if (h.bits != 8) PictureError(fileName, "corrupt BMP header (RLE8 needs 8 bits)");
      break;
    case kBiRle4:
      if (h.bits != 4) PictureError(fileName, "corrupt BMP header (RLE4 needs 4 bits)");
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h.bits != 16 && h.bits != 32) {
        PictureError(fileName, "corrupt BMP header (bit fields need 16 or 32 bits)");
      }
      break;
    default:
      PictureError(fileName, "unsupported BMP compression " + std::to_string(h.compression));
  }
  if (offBits < 14 + infoSize || offBits > d.size()) {
    PictureError(fileName, "corrupt BMP header (pixel data offset)");
  }
  h.offBits = offBits;
  if (h.bits <= 8 && infoSize >= 40 && U32(d, 46) > (1u << h.bits)) {
    PictureError(fileName, "corrupt BMP header (colour count)");
  }
  if (h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) {
    // After a 40-byte header the masks follow it; longer headers hold them at the same place.
    if (offBits < 14 + 40 + 12) PictureError(fileName, "corrupt BMP header (bit fields)");
    for (int i = 0; i < 3; ++i) h.masks[i] = U32(d, 54 + 4 * i);
    if (!h.masks[0] && !h.masks[1] && !h.masks[2]) {
      PictureError(fileName, "corrupt BMP header (bit fields)");
    }
  } else if (h.bits == 16) {
    h.masks[0] = 0x7c00;
    h.masks[1] = 0x03e0;
    h.masks[2] = 0x001f;
  } else if (h.bits >= 24) {
    h.masks[0] = 0x00ff0000;
    h.masks[1] = 0x0000ff00;
    h.masks[2] = 0x000000ff;
  }
  if (h.bits == 16) {
    for (uint32_t& m : h.masks) m &= 0xffff;
  }
  if (h.compression == kBiRgb || h.compression == kBiBitfields ||
      h.compression == kBiAlphaBitfields) {
    const unsigned long long stride =
        ((static_cast<unsigned long long>(h.width) * static_cast<unsigned>(h.bits) + 31) / 32) * 4;
    if (offBits + stride * static_cast<unsigned long long>(h.height) > d.size()) {
      PictureError(fileName, "the file is truncated");
    }
  }
  return h;
}

// Walks the run-length codes and fails unless they reach the end-of-picture code (or the end
// of the last row) inside the file: Qt leaves the missing part of a cut-off RLE picture black
// without a word.
void CheckRleComplete(const std::string& fileName, const std::vector<uint8_t>& d, size_t at,
                      const BmpHeader& h) {
  long long rows = 0;
  while (at + 1 < d.size() && rows < h.height) {
    const uint8_t count = d[at];
    const uint8_t code = d[at + 1];
    at += 2;
    if (count != 0) continue;  // a run of count pixels
    if (code == 1) return;     // end of picture
    if (code == 0) {           // end of row
      ++rows;
    } else if (code == 2) {  // move by (dx, dy)
      if (at + 1 >= d.size()) break;
      rows += d[at + 1];
      at += 2;
    } else {  // absolute mode: code pixels follow, padded to a 16-bit boundary
      const size_t bytes = h.bits == 4 ? (code + 1u) / 2 : code;
      at += (bytes + 1) & ~size_t{1};
      if (at > d.size()) break;
    }
  }
  if (rows < h.height) PictureError(fileName, "the file is truncated");
}

// One colour channel of a direct colour pixel: its bits under the mask, scaled to 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;  // the channel's largest value

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    while (!((mask >> shift) & 1)) ++shift;
    max = mask >> shift;
  }
  uint8_t operator()(uint32_t pixel) const {
    if (max == 0) return 0;
    return static_cast<uint8_t>((((pixel & mask) >> shift) * 255 + max / 2) / max);
  }
};

TFastBMP UnpackDirectColour(const BmpHeader& h, const std::vector<uint8_t>& d) {
  TFastBMP out(static_cast<int>(h.width), static_cast<int>(h.height));
  const size_t stride =
      ((static_cast<size_t>(h.width) * static_cast<unsigned>(h.bits) + 31) / 32) * 4;
  const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
  const bool plain = h.masks[0] == 0xff0000 && h.masks[1] == 0xff00 && h.masks[2] == 0xff;
  const int bytes = h.bits / 8;
  for (int r = 0; r < out.Height(); ++r) {
    const uint8_t* src = d.data() + h.offBits + stride * static_cast<size_t>(r);
    uint8_t* dst = out.Row(h.topDown ? r : out.Height() - 1 - r);
    if (plain) {  // bytes blue, green, red (and one more at 32 bits)
      for (int x = 0; x < out.Width(); ++x) std::memcpy(dst + 3 * x, src + bytes * x, 3);
      continue;
    }
    for (int x = 0; x < out.Width(); ++x) {
      const uint8_t* p = src + bytes * x;
      uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
      if (bytes >= 3) v |= static_cast<uint32_t>(p[2]) << 16;
      if (bytes == 4) v |= static_cast<uint32_t>(p[3]) << 24;
      dst[3 * x] = blue(v);
      dst[3 * x + 1] = green(v);
      dst[3 * x + 2] = red(v);
    }
  }
  return out;
}

// Palette pictures through Qt; the header is known to be sound and the picture complete.
TFastBMP DecodeWithQt(const std::string& fileName, const BmpHeader& header,
                      const std::vector<uint8_t>& data) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                                   static_cast<qsizetype>(data.size()));
  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "bmp");
  reader.setAutoTransform(false);
  // Qt's own limit (128 MB, for all readers of the process) would refuse large pictures that
  // the program accepts; an 8-bit picture of the largest accepted size needs 200 MB.
  if (QImageReader::allocationLimit() < 256) QImageReader::setAllocationLimit(256);
  QImage image = reader.read();
  if (image.isNull()) PictureError(fileName, reader.errorString().toStdString());
  if (image.width() != header.width || image.height() != header.height) {
    PictureError(fileName, "corrupt BMP file");
  }
  const QList<QRgb> table = image.colorTable();
  uint8_t lut[256][3] = {};
  for (int i = 0; i < 256 && i < table.size(); ++i) {
    lut[i][0] = static_cast<uint8_t>(qBlue(table[i]));
    lut[i][1] = static_cast<uint8_t>(qGreen(table[i]));
    lut[i][2] = static_cast<uint8_t>(qRed(table[i]));
  }
  TFastBMP out(image.width(), image.height());
  const int w = image.width();
  for (int y = 0; y < out.Height(); ++y) {
    const uchar* src = image.constScanLine(y);
    uint8_t* dst = out.Row(y);
    switch (image.format()) {
      case QImage::Format_Indexed8:
        for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, lut[src[x]], 3);
        break;
      case QImage::Format_Mono:
        for (int x = 0; x < w; ++x)
          std::memcpy(dst + 3 * x, lut[(src[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
      case QImage::Format_MonoLSB:
        for (int x = 0; x < w; ++x) std::memcpy(dst + 3 * x, lut[(src[x >> 3] >> (x & 7)) & 1], 3);
        break;
      default:
        for (int x = 0; x < w; ++x) {
          const QRgb c = image.pixel(x, y);
          dst[3 * x] = static_cast<uint8_t>(qBlue(c));
          dst[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
          dst[3 * x + 2] = static_cast<uint8_t>(qRed(c));
        }
    }
  }
  return out;
}

}  // namespace

TFastBMP ReadBmpPicture(const std::string& fileName, const std::vector<uint8_t>& data) {
  const BmpHeader header = CheckBmpHeader(fileName, data);
  if (header.bits >= 16) return UnpackDirectColour(header, data);
  if (header.compression == kBiRle4 || header.compression == kBiRle8) {
    CheckRleComplete(fileName, data, header.offBits, header);
  }
  return DecodeWithQt(fileName, header, data);
}

}  // namespace glkov
