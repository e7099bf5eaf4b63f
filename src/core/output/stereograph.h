#pragma once

#include "core/image/fast_bmp.h"
#include "core/model/types.h"

namespace glkov {

// The right vector R = CamDir x CamUp, not normalised.
Vec3 StereoRightVector(const Vec3& camDir, const Vec3& camUp);

// The second eye's position: camPos + R x eyeSeparation / sceneScale (eye separation in picture
// pixels, sceneScale picture pixels per scene unit).
Vec3 StereoShiftedEye(const Vec3& camPos, const Vec3& camDir, const Vec3& camUp,
                      double eyeSeparation, double sceneScale);

// Combines two renderings into a red/blue anaglyph in place of a: every pixel of a becomes
// blue = g2, green = 0, red = g1, where g1 and g2 are (blue + green + red) div 3 of a and b.
// Throws glkov::Error when the two pictures differ in size.
void CombineStereograph(TFastBMP& a, const TFastBMP& b);

}  // namespace glkov
