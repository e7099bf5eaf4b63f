#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/image/fast_bmp.h"

namespace glkov {

// The 40-byte header of a device-independent bitmap, as stored in a file (little-endian fields).
struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows bottom-up
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 24;
  uint32_t biCompression = 0;  // BI_RGB
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// One colour-table entry of a DIB.
struct RgbQuad {
  uint8_t rgbBlue = 0;
  uint8_t rgbGreen = 0;
  uint8_t rgbRed = 0;
  uint8_t rgbReserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

// Bits per pixel of a frame for a colour count: 0 (the frame's own depth) and 65536 give 24,
// 2 -> 1, 16 -> 4, 256 -> 8. Throws glkov::Error for any other count.
int FrameBitCount(int colorCount);

// The header of a frame of width x height pixels at the colour count (see FrameBitCount):
// biSizeImage = ((width x bits + 31) div 32) x 4 x height, biClrUsed = the number of palette
// entries for 8 bits or less. Throws glkov::Error when a size is not positive or a product
// overflows 32 bits.
BitmapInfoHeader InitFrameInfoHeader(int width, int height, int colorCount);

// Header size (40 bytes plus 4 x 2^bits of colour table for 8 bits or less) and image size
// (biSizeImage) in bytes of a frame. Throws as InitFrameInfoHeader.
struct FrameDIBSizes {
  uint32_t HeaderSize = 0;
  uint32_t ImageSize = 0;
};
FrameDIBSizes GetFrameDIBSizes(int width, int height, int colorCount);

// The fixed palettes: the 16 standard colours (black, maroon, green, olive, navy, purple, teal,
// silver, grey, red, lime, yellow, blue, fuchsia, aqua, white), and 256 colours made of those
// 16, a 6 x 6 x 6 colour cube (levels 0, 51, ..., 255; index 16 + 36 r + 6 g + b) and a ramp of
// 24 greys (8, 18, ..., 238).
const std::array<RgbQuad, 16>& StandardPalette16();
const std::array<RgbQuad, 256>& FixedPalette256();

// The palette of a bit count: black and white for 1 bit, 16 or 256 entries for 4 or 8 bits,
// empty otherwise.
std::vector<RgbQuad> FramePalette(int bitCount);

// Index of the palette entry nearest to the colour (least squared distance in RGB; the lowest
// index among equals).
int NearestColorIndex(const std::vector<RgbQuad>& palette, uint8_t blue, uint8_t green,
                      uint8_t red);
// The same for the fixed palettes, without searching every entry.
int NearestColorIndex16(uint8_t blue, uint8_t green, uint8_t red);
int NearestColorIndex256(uint8_t blue, uint8_t green, uint8_t red);

// Converts a 24-bit frame into DIB bits of the header's format (InitFrameInfoHeader of the
// frame's size and the colour count): rows bottom-up, each padded to four bytes; 24 bits as
// blue, green, red; 8 and 4 bits as indices of the fixed palette (nearest colour; 4 bits with
// two pixels a byte, the left pixel in the high nibble). Resizes bits to biSizeImage.
// Throws glkov::Error as InitFrameInfoHeader.
void GetFrameDIB(const TFastBMP& frame, int colorCount, BitmapInfoHeader& header,
                 std::vector<uint8_t>& bits);

// How a frame's rows lie in memory: TFastBMP's own order, or the DIB's (row 0 is the bottom row).
// The export reads its frames bottom-up, which lets a 24-bit frame go into the movie as it is.
enum class RowOrder { TopDown, BottomUp };

// The conversion of GetFrameDIB into a buffer of header.biSizeImage bytes, for a header made by
// InitFrameInfoHeader of the frame's size.
void ConvertFrameBits(const TFastBMP& frame, const BitmapInfoHeader& header, uint8_t* bits,
                      RowOrder rows = RowOrder::TopDown);

// Replaces every pixel of the frame by its nearest colour of the palette of bitCount (4 or 8);
// 24 leaves the frame as it is.
void ReduceFrameColors(TFastBMP& frame, int bitCount);

}  // namespace glkov
