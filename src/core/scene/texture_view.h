#pragma once

// What the texture viewer shows for a plane board or a foreground object: the texels as they were
// built, so that with "Negative Output" it shows the negatives the 3D view and the movie show.

#include <string>

#include "core/image/fast_bmp.h"
#include "core/model/project.h"
#include "core/model/types.h"

namespace glkov {

// "Texture(<w>x<h>)".
std::string TextureCaption(int width, int height);

// An object's texture weighted by its alpha over black (A = 0 black, A = 255 the colour,
// otherwise (c * A) >> 8), texel row r shown as image row
// TexHeight - 1 - r. The image takes the texture's size; it stays black while the texture is not
// uploaded or its texel array is shorter than the size says.
void ObjectTextureView(const TfgObj& object, TFastBMP& image);

// "Picture before Make (<w>x<h>)": the caption of an object's cut-out.
std::string CutOutCaption(int width, int height);

// What an object looks like before the scene is made: its box (columns X1 ... X2, picture rows Y2
// down to Y1) cut from the working original IOriginal_r, every pixel weighted by the alpha its
// texture will get (the mask's red byte where the pixel belongs to the object's region of the label
// image, or without one where that byte equals the object's index) over black, as ObjectTextureView
// shows the texture. With negative the colours are inverted before weighting, as the textures are
// built. Pixels outside the pictures stay black; an index out of range gives an empty image.
void ObjectCutOutView(const TProject& project, int index, bool negative, TFastBMP& image);

// A plane board's texels copied row for row. Returns false and leaves
// the image alone while the board is not uploaded or its texel array is shorter than its size.
bool PlaneTextureView(const TBoard& board, TFastBMP& image);

}  // namespace glkov
