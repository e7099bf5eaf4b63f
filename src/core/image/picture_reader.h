#pragma once

// The decoders behind LoadPictureFile, one per kind of picture file. Each decodes a whole file
// held in memory into a new 24-bit picture and throws glkov::Error naming the file (through
// PictureError) when it cannot; each refuses a picture larger than kMaxPictureSide /
// kMaxPicturePixels from its header, before the pixels are allocated.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov {

// Throws glkov::Error "Cannot read picture "<fileName>": <cause>." (a full stop is added when
// the cause has no closing punctuation).
[[noreturn]] void PictureError(const std::string& fileName, const std::string& cause);

// Throws through PictureError when width x height is empty or larger than the program accepts.
void CheckPictureSize(const std::string& fileName, long long width, long long height);

// BMP in its common variants: 1, 4, 8, 16, 24 and 32 bits, RLE4, RLE8, bit fields, bottom-up and
// top-down rows, the OS/2 and Windows 3 to 5 headers.
TFastBMP ReadBmpPicture(const std::string& fileName, const std::vector<uint8_t>& data);

// Baseline and progressive JPEG (grey, YCbCr, RGB, CMYK, YCCK) decoded straight to BGR. Reports
// progress through callbacks (stage text, percent) and pumps events; libjpeg's warnings
// (a premature end of the data, corrupt data) are errors.
TFastBMP ReadJpegPicture(const std::string& fileName, const std::vector<uint8_t>& data,
                         UiCallbacks& callbacks);

// The first frame of a GIF file on its logical screen; the screen outside the frame and the
// frame's transparent pixels show the background colour of the global colour table (black
// without one).
TFastBMP ReadGifPicture(const std::string& fileName, const std::vector<uint8_t>& data);

// A PNG file of any colour type and depth; transparency is composited onto black.
TFastBMP ReadPngPicture(const std::string& fileName, const std::vector<uint8_t>& data);

}  // namespace glkov
