#pragma once

#include <string>

#include "core/image/fast_bmp.h"
#include "core/ui_callbacks.h"

namespace glkov {

// Largest picture the program accepts: a side of 16384 pixels and 200 megapixels.
inline constexpr int kMaxPictureSide = 16384;
inline constexpr long long kMaxPicturePixels = 200'000'000;

// Loads a picture file into target as a 24-bit picture of its own size, the decoder chosen by
// the file's extension (case-insensitive): .bmp, .jpg/.jpeg, .gif (first frame), .png.
// JPEG decoding reports progress (a stage text and a percentage) through callbacks.
// Throws glkov::Error naming the file when it cannot be read; target then keeps its picture.
void LoadPictureFile(const std::string& fileName, TFastBMP& target,
                     UiCallbacks& callbacks = DefaultCallbacks());

// Writes the picture as an ordinary 24-bit BMP file, through a temporary file renamed into
// place. Throws glkov::Error naming the file and the cause.
void SaveBMP(const std::string& fileName, const TFastBMP& picture);

}  // namespace glkov
