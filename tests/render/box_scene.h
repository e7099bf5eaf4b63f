#pragma once

// A hand-built textured box for the render tests, and an independent ray caster that says what
// each frame pixel must show. The box (scene units of 100 picture pixels) has its open front on
// the picture plane exactly at the picture's border (200 x 150 pixels, vanishing point (100, 60),
// focal length 200 pixels): floor y = 0, ceiling y = 1.5, walls x = -1 and x = 1, rear wall
// z = -2; the eye sits at (0, 0.6, 2).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/model/project.h"

namespace glkov::testing {

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline Rgb PixelAt(const TFastBMP& frame, int x, int row) {
  const uint8_t* p = frame.Pixel(x, row);
  return {p[2], p[1], p[0]};
}

// How many pixels of the frame show colour c.
inline int CountPixels(const TFastBMP& frame, const Rgb& c) {
  int n = 0;
  for (int r = 0; r < frame.Height(); ++r) {
    for (int x = 0; x < frame.Width(); ++x) n += PixelAt(frame, x, r) == c;
  }
  return n;
}

inline void SetPixel(TFastBMP& frame, int x, int row, const Rgb& c) {
  uint8_t* p = frame.Pixel(x, row);
  p[0] = static_cast<uint8_t>(c.b);
  p[1] = static_cast<uint8_t>(c.g);
  p[2] = static_cast<uint8_t>(c.r);
}

inline constexpr int kBoxWidth = 200;
inline constexpr int kBoxHeight = 150;
inline constexpr double kBoxCeiling = 1.5;
inline constexpr double kBoxRear = -2.0;

// Colour of plane `board` (0 Floor ... 4 Rear Wall) at a 3D point on it: red names the plane,
// green and blue the 0.5-unit cell along the plane's two axes, so a misplaced or turned texture
// shows. No colour reaches 250 (the outline is white).
inline Rgb BoxPattern(int board, const Vec3& p) {
  static constexpr std::array<int, 5> kRed = {200, 160, 120, 80, 40};
  double u = 0, v = 0;
  switch (board) {
    case 0:
    case 3:
      u = p.x, v = p.z;
      break;
    case 1:
    case 2:
      u = p.z, v = p.y;
      break;
    default:
      u = p.x, v = p.y;
  }
  const int cu = std::clamp(static_cast<int>(std::floor((u + 2.0) / 0.5)), 0, 7);
  const int cv = std::clamp(static_cast<int>(std::floor((v + 2.0) / 0.5)), 0, 7);
  return {kRed[board], 20 + 25 * cu, 20 + 25 * cv};
}

// An upright object board parallel to the picture plane: one colour, alpha `alpha` inside
// s 0.2 .. 0.8, t 0 .. 0.8 of the board and 0 around it.
struct BoxObject {
  double x0 = 0, x1 = 0, y0 = 0, y1 = 0, z = 0;
  Rgb colour;
  int alpha = 255;
};

inline int ObjectAlpha(const BoxObject& o, double s, double t) {
  return (s >= 0.2 && s < 0.8 && t >= 0 && t < 0.8) ? o.alpha : 0;
}

// The box with every plane textured texSize x texSize from BoxPattern, sampled as the scene
// builder samples (texel (j, i) shows corner2 + i/(T-1) (corner1 - corner2) + j/(T-1)
// (corner3 - corner2)); texels through NegativeChannel when `negative`.
inline TProject MakeBoxProject(int texSize = 256, bool negative = false) {
  TProject p;
  p.PicWidth = kBoxWidth;
  p.PicHeight = kBoxHeight;
  p.VanishX = 100;
  p.VanishY = 60;
  p.FocalLength = 200;
  p.SceneScale = 100;
  p.EyeDistance = 2;
  p.EyeHeight = 0.6;
  p.ViewLeft = 40;
  p.ViewRight = 160;
  p.ViewBottom = 30;
  p.ViewTop = 120;
  const double c = kBoxCeiling, r = kBoxRear;
  const Vec3 BL{-1, 0, r}, BR{1, 0, r}, TR{1, c, r}, TL{-1, c, r};
  const std::array<std::array<Vec3, 4>, 5> corners = {{
      {BL, BR, Vec3{1, 0, 0}, Vec3{-1, 0, 0}},   // floor
      {BR, TR, Vec3{1, c, 0}, Vec3{1, 0, 0}},    // right wall
      {TL, BL, Vec3{-1, 0, 0}, Vec3{-1, c, 0}},  // left wall
      {TR, TL, Vec3{-1, c, 0}, Vec3{1, c, 0}},   // ceiling
      {BL, BR, TR, TL},                          // rear wall
  }};
  for (int b = 0; b < 5; ++b) {
    TBoard& board = p.Boards[b];
    for (int k = 0; k < 4; ++k) {
      board.X[k] = corners[b][k].x;
      board.Y[k] = corners[b][k].y;
      board.Z[k] = corners[b][k].z;
    }
    board.TexWidth = board.TexHeight = texSize;
    board.Texels.resize(static_cast<size_t>(texSize) * texSize * 3);
    const Vec3 c1 = corners[b][1], c2 = corners[b][2], c3 = corners[b][3];
    for (int j = 0; j < texSize; ++j) {
      for (int i = 0; i < texSize; ++i) {
        const double a = i / (texSize - 1.0), bb = j / (texSize - 1.0);
        const Vec3 pt{c2.x + a * (c1.x - c2.x) + bb * (c3.x - c2.x),
                      c2.y + a * (c1.y - c2.y) + bb * (c3.y - c2.y),
                      c2.z + a * (c1.z - c2.z) + bb * (c3.z - c2.z)};
        const Rgb col = BoxPattern(b, pt);
        uint8_t* t = &board.Texels[(static_cast<size_t>(j) * texSize + i) * 3];
        t[0] = NegativeChannel(static_cast<uint8_t>(col.r), negative);
        t[1] = NegativeChannel(static_cast<uint8_t>(col.g), negative);
        t[2] = NegativeChannel(static_cast<uint8_t>(col.b), negative);
      }
    }
  }
  p.SceneMade = true;
  return p;
}

// Adds object boards (texSize x texSize RGBA texels sampled at texel centres) in the given
// order; DrawOrder is the identity (callers reorder it).
inline void AddBoxObjects(TProject& p, const std::vector<BoxObject>& objects, int texSize = 64) {
  for (size_t k = 0; k < objects.size(); ++k) {
    const BoxObject& o = objects[k];
    TfgObj obj;
    obj.Name = "Object " + std::to_string(k + 1);
    obj.Parent = kFloor;
    obj.DrawOrder = static_cast<int>(k);
    obj.X = {o.x0, o.x1, o.x1, o.x0};
    obj.Y = {o.y0, o.y0, o.y1, o.y1};
    obj.Z = {o.z, o.z, o.z, o.z};
    obj.TexWidth = obj.TexHeight = texSize;
    obj.Texels.resize(static_cast<size_t>(texSize) * texSize * 4);
    for (int j = 0; j < texSize; ++j) {
      for (int i = 0; i < texSize; ++i) {
        uint8_t* t = &obj.Texels[(static_cast<size_t>(j) * texSize + i) * 4];
        t[0] = static_cast<uint8_t>(o.colour.r);
        t[1] = static_cast<uint8_t>(o.colour.g);
        t[2] = static_cast<uint8_t>(o.colour.b);
        t[3] = static_cast<uint8_t>(ObjectAlpha(o, (i + 0.5) / texSize, (j + 0.5) / texSize));
      }
    }
    p.fgObjs.push_back(std::move(obj));
  }
}

// The default camera of the box: at the eye, looking along -z.
inline TCamera BoxCamera(const TProject& p) {
  TCamera cam;
  cam.CamPos = {0, p.EyeHeight, p.EyeDistance};
  cam.CamDir = {0, 0, -1};
  cam.CamUp = {0, 1, 0};
  return cam;
}

// The colour the ray from the eye through picture point (x, y) meets: the first plane, then the
// object boards in DrawOrder, each blended over what is drawn where it is nearer than all that
// was drawn before (the depth test keeps a nearer board's transparent texels too). The eye is
// the default camera's unless `camera` is given (it must stay inside the box or its opening);
// its view turns like gluLookAt's: forward CamDir, right CamDir x CamUp, both normalised.
inline Rgb CastBoxRay(const TProject& p, double x, double y,
                      const std::vector<BoxObject>& objects = {}, const TCamera* camera = nullptr) {
  const TCamera cam = camera != nullptr ? *camera : TCamera{{0, p.EyeHeight, p.EyeDistance}};
  auto norm = [](Vec3 v) {
    const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return Vec3{v.x / l, v.y / l, v.z / l};
  };
  auto cross = [](const Vec3& a, const Vec3& b) {
    return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  };
  const Vec3 f = norm(cam.CamDir), side = norm(cross(f, cam.CamUp)), up = cross(side, f);
  const double ex = (x - p.VanishX) / p.SceneScale, ey = (y - p.VanishY) / p.SceneScale,
               ez = p.EyeDistance;
  const Vec3 eye = cam.CamPos;
  const Vec3 d{side.x * ex + up.x * ey + f.x * ez, side.y * ex + up.y * ey + f.y * ez,
               side.z * ex + up.z * ey + f.z * ez};
  auto at = [&](double s) { return Vec3{eye.x + s * d.x, eye.y + s * d.y, eye.z + s * d.z}; };
  constexpr double e = 1e-9;
  double best = 1e300;
  Rgb colour;
  auto consider = [&](int board, double s) {
    if (!(s > 0) || s >= best) return;
    const Vec3 q = at(s);
    if (q.x < -1 - e || q.x > 1 + e || q.y < -e || q.y > kBoxCeiling + e || q.z < kBoxRear - e ||
        q.z > e)
      return;
    best = s;
    colour = BoxPattern(board, q);
  };
  if (d.y != 0) consider(0, (0 - eye.y) / d.y);
  if (d.x != 0) consider(1, (1 - eye.x) / d.x);
  if (d.x != 0) consider(2, (-1 - eye.x) / d.x);
  if (d.y != 0) consider(3, (kBoxCeiling - eye.y) / d.y);
  if (d.z != 0) consider(4, (kBoxRear - eye.z) / d.z);
  double depth = best;
  for (size_t i = 0; i < p.fgObjs.size() && i < objects.size(); ++i) {
    const int k = p.fgObjs[i].DrawOrder;
    const BoxObject& o = objects[k];
    const double s = (o.z - eye.z) / d.z;
    const Vec3 q = at(s);
    if (!(s > 0) || s >= depth || q.x < o.x0 || q.x >= o.x1 || q.y < o.y0 || q.y >= o.y1) continue;
    depth = s;
    const int a = ObjectAlpha(o, (q.x - o.x0) / (o.x1 - o.x0), (q.y - o.y0) / (o.y1 - o.y0));
    auto mix = [a](int src, int dst) { return (src * a + dst * (255 - a) + 127) / 255; };
    colour = {mix(o.colour.r, colour.r), mix(o.colour.g, colour.g), mix(o.colour.b, colour.b)};
  }
  return colour;
}

// The frame window in picture coordinates (what the frustum spans).
struct PictureWindow {
  double x0 = 0, x1 = kBoxWidth - 1, y0 = 0, y1 = kBoxHeight - 1;
};

// Writes the actual, expected and difference pictures into GLKOV_SCREENSHOT_DIR when it is set.
inline void WriteFailureImages(const std::string& name, const TFastBMP& actual,
                               const TFastBMP& expected) {
  const char* folder = std::getenv("GLKOV_SCREENSHOT_DIR");
  if (!folder) return;
  const std::string base = std::string(folder) + "/render_" + name;
  TFastBMP diff(actual.Width(), actual.Height());
  for (int r = 0; r < actual.Height(); ++r) {
    for (int c = 0; c < actual.Width() * 3; ++c) {
      diff.Row(r)[c] = static_cast<uint8_t>(
          std::min(255, 4 * std::abs(int{actual.Row(r)[c]} - int{expected.Row(r)[c]})));
    }
  }
  SaveBMP(base + "_actual.bmp", actual);
  SaveBMP(base + "_expected.bmp", expected);
  SaveBMP(base + "_diff.bmp", diff);
}

struct CompareResult {
  int compared = 0;  // pixels whose neighbourhood shows one colour
  int skipped = 0;   // pixels near an edge between colours
  int mismatched = 0;
};

// Compares a frame with the ray caster pixel by pixel. Frame pixel (c, r) looks through picture
// point (x0 + (c + 0.5) (x1 - x0) / width, y0 + (height - r - 0.5) (y1 - y0) / height). A pixel
// whose neighbourhood of +-1.5 frame pixels meets another colour is skipped: texel rounding and
// rasterisation may put an edge one pixel either way. Writes failure images when any differ.
inline CompareResult CompareWithRayCaster(const TProject& p, const TFastBMP& frame,
                                          const PictureWindow& w, int tolerance,
                                          const std::string& name,
                                          const std::vector<BoxObject>& objects = {},
                                          const TCamera* camera = nullptr) {
  CompareResult result;
  TFastBMP expected(frame.Width(), frame.Height());
  const double sx = (w.x1 - w.x0) / frame.Width(), sy = (w.y1 - w.y0) / frame.Height();
  for (int r = 0; r < frame.Height(); ++r) {
    for (int c = 0; c < frame.Width(); ++c) {
      const double x = w.x0 + (c + 0.5) * sx, y = w.y0 + (frame.Height() - r - 0.5) * sy;
      const Rgb want = CastBoxRay(p, x, y, objects, camera);
      SetPixel(expected, c, r, want);
      bool uniform = true;
      for (double dc : {-1.5, 0.0, 1.5}) {
        for (double dr : {-1.5, 0.0, 1.5}) {
          uniform = uniform && CastBoxRay(p, x + dc * sx, y + dr * sy, objects, camera) == want;
        }
      }
      if (!uniform) {
        ++result.skipped;
        continue;
      }
      ++result.compared;
      const Rgb got = PixelAt(frame, c, r);
      if (std::abs(got.r - want.r) > tolerance || std::abs(got.g - want.g) > tolerance ||
          std::abs(got.b - want.b) > tolerance) {
        ++result.mismatched;
      }
    }
  }
  if (result.mismatched > 0) WriteFailureImages(name, frame, expected);
  return result;
}

}  // namespace glkov::testing
