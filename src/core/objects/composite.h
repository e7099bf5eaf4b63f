#pragma once

// The masked picture: the foreground objects of the original, as selected by the mask's red
// byte, laid over the background picture.

#include <string>

#include "core/image/fast_bmp.h"

namespace glkov {

// a * b / 255 rounded to the nearest integer, for a and b from 0 to 255.
inline int MulDiv255(int a, int b) { return (a * b + 127) / 255; }

// A new picture of the original's size: mask red 0 takes the background, 255 the original, and
// m between blends each byte as MulDiv255(o, m) + MulDiv255(b, 255 - m). The inputs are not
// changed. Throws glkov::Error when a picture is missing or the three differ in size.
TFastBMP ComposeMaskedImage(const TFastBMP& original, const TFastBMP& mask,
                            const TFastBMP& background);

// Composes the three pictures and writes the result as a 24-bit BMP file (through a temporary
// file). Throws glkov::Error as ComposeMaskedImage does, or naming the file when it cannot be
// written.
void SaveMaskedImage(const TFastBMP& original, const TFastBMP& mask, const TFastBMP& background,
                     const std::string& fileName);

}  // namespace glkov
