#pragma once

#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov {

// Largest picture the program accepts: a side of 16384 pixels and 200 megapixels.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr long long kMaxPicturePixels = 200'000'000;

// A kind of picture file the program reads: its name ("PNG") and its extensions, lower case
// with the dot.
struct PictureFileType {
  std::string Name;
  std::vector<std::string> Extensions;
};

// Every kind LoadPictureFile reads, in the order a file dialog lists them.
const std::vector<PictureFileType>& ReadablePictureTypes();

// Loads a picture file into target as a 24-bit picture of its own size, the decoder chosen by
// the file's extension (case-insensitive): .bmp/.dib, .jpg/.jpeg/.jpe/.jfif, .gif (first
// frame), .png. JPEG decoding reports progress (a stage text and a percentage) through
// callbacks and pumps events. Throws glkov::Error naming the file when it cannot be opened,
// the extension is unknown, the file is empty, truncated or corrupt, or the picture is larger
// than kMaxPictureSide / kMaxPicturePixels; target then keeps its picture.
void LoadPictureFile(const std::string& fileName, TFastBMP& target,
                     UiCallbacks& callbacks = DefaultCallbacks());

// Writes the picture as an ordinary 24-bit bottom-up BMP file, through a temporary file renamed
// into place. Throws glkov::Error naming the file and the cause (also for an empty picture).
void SaveBMP(const std::string& fileName, const TFastBMP& picture);

}  // namespace glkov
