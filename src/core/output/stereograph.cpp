#include "core/output/stereograph.h"

#include "core/error.h"

namespace glkov {

Vec3 StereoRightVector(const Vec3& d, const Vec3& u) {
  return Vec3{d.y * u.z - d.z * u.y, d.z * u.x - d.x * u.z, d.x * u.y - d.y * u.x};
}

Vec3 StereoShiftedEye(const Vec3& camPos, const Vec3& camDir, const Vec3& camUp,
                      double eyeSeparation, double sceneScale) {
  const Vec3 r = StereoRightVector(camDir, camUp);
  return Vec3{camPos.x + r.x * eyeSeparation / sceneScale,
              camPos.y + r.y * eyeSeparation / sceneScale,
              camPos.z + r.z * eyeSeparation / sceneScale};
}

void CombineStereograph(TFastBMP& a, const TFastBMP& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    throw Error("Stereograph views differ in size");
  }
  for (int y = 0; y < a.Height(); ++y) {
    uint8_t* pa = a.Row(y);
    const uint8_t* pb = b.Row(y);
    for (int x = 0; x < a.Width(); ++x, pa += 3, pb += 3) {
      const int g1 = (pa[0] + pa[1] + pa[2]) / 3;
      const int g2 = (pb[0] + pb[1] + pb[2]) / 3;
      pa[0] = static_cast<uint8_t>(g2);
      pa[1] = 0;
      pa[2] = static_cast<uint8_t>(g1);
    }
  }
}

}  // namespace glkov
