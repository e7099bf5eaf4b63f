#include "core/scene/scene_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "core/error.h"
#include "core/scene/camera.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

// Corners further than this from the picture (in pixels) mean a radial runs nearly parallel to the
// picture edge it should meet; such a mesh is refused instead of rounding an unbounded number.
constexpr double kMaxCornerPixels = 1e9;

const std::string kCannotMake = "Cannot make the 3D scene: ";

// Round half to even of a number already known to lie well inside the int range. Adding and
// subtracting 1.5 * 2^52 leaves the nearest integer under the default rounding mode, without a
// library call in the texel loops.
inline int FastRound(double v) {
  constexpr double kMagic = 6755399441055744.0;
  return static_cast<int>(static_cast<int64_t>((v + kMagic) - kMagic));
}

// Rounds a picture coordinate of the mesh; refuses what no picture can hold.
int RoundCorner(double v) {
  if (!std::isfinite(v) || std::fabs(v) > kMaxCornerPixels) {
    throw Error(kCannotMake +
                "a radial of the perspective mesh runs nearly parallel to the picture edge it "
                "should meet, so a plane reaches too far. Move the vanishing point or the inner "
                "rectangle.");
  }
  return RoundHalfEven(v);
}

struct Point3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

Point3 CornerOf(const TBoard& b, int c) {
  const auto i = static_cast<size_t>(c);
  return {b.X[i], b.Y[i], b.Z[i]};
}

void SetCorner(TBoard& b, int c, int px, int py, const Point3& p) {
  const auto i = static_cast<size_t>(c);
  b.PX[i] = px;
  b.PY[i] = py;
  b.X[i] = p.x;
  b.Y[i] = p.y;
  b.Z[i] = p.z;
}

// The values of the projection between scene and picture coordinates.
struct Projection {
  double U = 1;   // SceneScale
  double E = 1;   // EyeDistance
  double Eh = 0;  // EyeHeight
  double Vx = 0;  // VanishX
  double Vy = 0;  // VanishY
};

// Where the radial through a rear corner leaves the picture: a row (y = value) or a column.
struct PictureEdge {
  bool row = true;
  int value = 0;
};

// The geometry of the five planes, before any texel is sampled.
struct PlaneGeometry {
  Projection proj;
  RearCorners rear;
  std::array<TBoard, 5> boards;  // corners and texture sizes only
};

const char* const kCornerNames[4] = {"bottom-left", "bottom-right", "top-right", "top-left"};
enum RearIndex { kBL = 0, kBR = 1, kTR = 2, kTL = 3 };

// The outer corner on the radial from the vanishing point through rear corner c (3D point rc,
// rounded picture point cx, cy) where it leaves the picture at edge.
void OuterCorner(const Projection& pr, const Point3& rc, int cx, int cy, const PictureEdge& edge,
                 int cornerIndex, const char* plane, TBoard& board, int target) {
  int px = 0;
  int py = 0;
  if (edge.row) {
    const double div = cy - pr.Vy;
    if (div == 0) {
      throw Error(kCannotMake + "the " + kCornerNames[cornerIndex] +
                  " corner of the inner rectangle lies at the height of the vanishing point, so "
                  "the " +
                  plane + " cannot be built. Move the vanishing point or the inner rectangle.");
    }
    px = RoundCorner((cx - pr.Vx) * (edge.value - pr.Vy) / div + pr.Vx);
    py = edge.value;
  } else {
    const double div = cx - pr.Vx;
    if (div == 0) {
      throw Error(kCannotMake + "the " + kCornerNames[cornerIndex] +
                  " corner of the inner rectangle lies in the column of the vanishing point, so "
                  "the " +
                  plane + " cannot be built. Move the vanishing point or the inner rectangle.");
    }
    px = edge.value;
    py = RoundCorner((cy - pr.Vy) * (edge.value - pr.Vx) / div + pr.Vy);
  }
  const double across = (px - pr.Vx) / pr.U;
  if (across == 0) {
    throw Error(kCannotMake + "the radial through the " + kCornerNames[cornerIndex] +
                " corner of the inner rectangle leaves the picture in the column of the vanishing "
                "point, so the " +
                plane + " cannot be built. Move the vanishing point or the inner rectangle.");
  }
  double d = rc.x / across;
  if (edge.row) {
    // A floor or ceiling ends exactly on its row: the depth there follows from the plane's height
    // alone. From the rounded column it ended up to a pixel short, and the frame's first or last
    // row showed the black behind it.
    const double onRow = (rc.y - pr.Eh) * pr.U / (edge.value - pr.Vy);
    if (std::isfinite(onRow) && onRow > 0) d = onRow;
  }
  SetCorner(board, target, px, py, {rc.x, rc.y, pr.E * (1 - d)});
}

PlaneGeometry ComputePlaneGeometry(const TProject& p, int textureMax = 1024) {
  for (const double v :
       {p.InnerLeft, p.InnerRight, p.InnerBottom, p.InnerTop, p.VanishX, p.VanishY}) {
    if (!std::isfinite(v)) {
      throw Error(kCannotMake + "the perspective mesh holds a value that is not a number.");
    }
  }
  if (!(p.FocalLength > 0) || !std::isfinite(p.FocalLength)) {
    throw Error(kCannotMake + "the focal length must be greater than zero.");
  }
  if (p.PicWidth < 1 || p.PicHeight < 1) {
    throw Error(kCannotMake + "there is no picture.");
  }

  PlaneGeometry g;
  Projection& pr = g.proj;
  pr.U = ComputeSceneScale(p);
  pr.E = p.FocalLength / pr.U;
  pr.Eh = p.VanishY / pr.U;
  pr.Vx = p.VanishX;
  pr.Vy = p.VanishY;

  RearCorners& r = g.rear;
  const double rearDenominator = p.VanishY - p.InnerBottom;
  r.Dr = rearDenominator != 0 ? p.VanishY / rearDenominator : 0;
  if (!std::isfinite(r.Dr) || !(r.Dr > 1)) {
    throw Error(kCannotMake +
                "the rear wall would not lie behind the picture plane. The inner rectangle's "
                "bottom edge must lie below the vanishing point and above the picture's bottom "
                "row.");
  }
  r.XL = (p.InnerLeft - pr.Vx) / pr.U * r.Dr;
  r.XR = (p.InnerRight - pr.Vx) / pr.U * r.Dr;
  r.Zr = pr.E * (1 - r.Dr);
  r.Yc = pr.Eh + r.Dr * (p.InnerTop - pr.Vy) / pr.U;

  const std::array<Point3, 4> rc = {Point3{r.XL, 0, r.Zr}, Point3{r.XR, 0, r.Zr},
                                    Point3{r.XR, r.Yc, r.Zr}, Point3{r.XL, r.Yc, r.Zr}};
  const int left = RoundCorner(p.InnerLeft);
  const int right = RoundCorner(p.InnerRight);
  const int bottom = RoundCorner(p.InnerBottom);
  const int top = RoundCorner(p.InnerTop);
  const std::array<int, 4> cx = {left, right, right, left};
  const std::array<int, 4> cy = {bottom, bottom, top, top};

  // Per outer plane: rear corners 0 and 1, and the picture edge where its radials leave.
  struct OuterPlane {
    int c0, c1;
    PictureEdge edge;
  };
  const std::array<OuterPlane, 4> outer = {
      OuterPlane{kBL, kBR, {true, 0}},
      OuterPlane{kBR, kTR, {false, p.PicWidth - 1}},
      OuterPlane{kTL, kBL, {false, 0}},
      OuterPlane{kTR, kTL, {true, p.PicHeight - 1}},
  };
  for (size_t b = 0; b < outer.size(); ++b) {
    TBoard& board = g.boards[b];
    const OuterPlane& o = outer[b];
    const auto c0 = static_cast<size_t>(o.c0);
    const auto c1 = static_cast<size_t>(o.c1);
    SetCorner(board, 0, cx[c0], cy[c0], rc[c0]);
    SetCorner(board, 1, cx[c1], cy[c1], rc[c1]);
    // Corner 2 lies on the radial through corner 1, corner 3 on the one through corner 0.
    OuterCorner(pr, rc[c1], cx[c1], cy[c1], o.edge, o.c1, PlaneNames[b], board, 2);
    OuterCorner(pr, rc[c0], cx[c0], cy[c0], o.edge, o.c0, PlaneNames[b], board, 3);
    const int64_t spanX = std::llabs(static_cast<int64_t>(board.PX[2]) - board.PX[3]);
    const int64_t spanY = std::llabs(static_cast<int64_t>(board.PY[2]) - board.PY[3]);
    const int n = static_cast<int>(
        std::max(std::min<int64_t>(spanX, p.PicWidth), std::min<int64_t>(spanY, p.PicHeight)));
    board.TexWidth = board.TexHeight = TextureSize({n}, textureMax);
  }

  TBoard& rear = g.boards[4];
  for (int c = 0; c < 4; ++c) {
    const auto i = static_cast<size_t>(c);
    SetCorner(rear, c, cx[i], cy[i], rc[i]);
  }
  const int n = std::max(RoundCorner(std::fabs(p.InnerRight - p.InnerLeft)),
                         RoundCorner(std::fabs(p.InnerTop - p.InnerBottom)));
  rear.TexWidth = rear.TexHeight = TextureSize({n}, textureMax);
  return g;
}

// Samples a plane board's RGB texels from the background picture: texel (j, i) shows the picture
// point of corner2 + a (corner1 - corner2) + b (corner3 - corner2), a = i / (T - 1),
// b = j / (T - 1). Points outside the picture (or not in front of the eye) give black.
void SamplePlaneTexels(TBoard& board, const Projection& pr, const TFastBMP& picture, int picHeight,
                       bool negative) {
  const int t = board.TexWidth;
  const auto tt = static_cast<size_t>(t);
  board.Texels.assign(tt * tt * 3, 0);
  const uint8_t flip = negative ? 255 : 0;
  const Point3 c1 = CornerOf(board, 1);
  const Point3 c2 = CornerOf(board, 2);
  const Point3 c3 = CornerOf(board, 3);
  const Point3 d1{c1.x - c2.x, c1.y - c2.y, c1.z - c2.z};
  const Point3 d2{c3.x - c2.x, c3.y - c2.y, c3.z - c2.z};
  std::vector<double> fraction(tt);
  for (int i = 0; i < t; ++i) fraction[static_cast<size_t>(i)] = double(i) / (t - 1);

  const int width = picture.Width();
  const int height = picture.Height();
  // Generous bounds that keep the rounding in range; the exact test follows it.
  const double maxX = width + 1.0;
  const double minY = static_cast<double>(picHeight) - height - 1.0;
  const double maxY = picHeight + 1.0;
  const uint8_t* const bits = picture.Bits();
  const size_t stride = picture.RowStride();
  const double E = pr.E, U = pr.U, Eh = pr.Eh, Vx = pr.Vx, Vy = pr.Vy;

  for (int j = 0; j < t; ++j) {
    const double b = fraction[static_cast<size_t>(j)];
    const double bx = b * d2.x, by = b * d2.y, bz = b * d2.z;
    uint8_t* out = board.Texels.data() + static_cast<size_t>(j) * tt * 3;
    for (int i = 0; i < t; ++i, out += 3) {
      const double a = fraction[static_cast<size_t>(i)];
      const double px = c2.x + a * d1.x + bx;
      const double py = c2.y + a * d1.y + by;
      const double pz = c2.z + a * d1.z + bz;
      const double den = E - pz;
      if (!(den > 0)) continue;
      const double q = E / den;
      const double x = q * px * U + Vx;
      const double y = (py - Eh) * q * U + Vy;
      if (!(x > -1.0 && x < maxX && y > minY && y < maxY)) continue;
      const int col = FastRound(x);
      const int row = picHeight - 1 - FastRound(y);
      if (col < 0 || col >= width || row < 0 || row >= height) continue;
      const uint8_t* src = bits + static_cast<size_t>(row) * stride + 3 * static_cast<size_t>(col);
      out[0] = src[2] ^ flip;
      out[1] = src[1] ^ flip;
      out[2] = src[0] ^ flip;
    }
  }
}

void WarnSkipped(UiCallbacks& ui, const TfgObj& o, const std::string& why) {
  ui.Warning("Object '" + o.Name + "' is left out of the 3D scene: " + why);
}

}  // namespace

double ComputeSceneScale(const TProject& p) {
  if (p.MeshRegions.empty()) {
    throw Error(kCannotMake + "the project has no sub-scenes.");
  }
  double sum = 0;
  for (const TMeshRegion& r : p.MeshRegions) {
    sum += std::max({r.VanishX, r.VanishY, std::fabs(double(r.Left) - r.Right) - r.VanishX,
                     std::fabs(double(r.Top) - r.Bottom) - r.VanishY});
  }
  const double u = sum / static_cast<double>(p.MeshRegions.size());
  if (!std::isfinite(u) || !(u > 0)) {
    throw Error(kCannotMake +
                "the sub-scenes give no positive scene scale (check their rectangles and "
                "vanishing points).");
  }
  return u;
}

RearCorners BuildScene(TProject& project, bool negative, int textureMax) {
  PlaneGeometry g = ComputePlaneGeometry(project, textureMax);
  for (TBoard& b : g.boards) {
    SamplePlaneTexels(b, g.proj, project.IBackground_r, project.PicHeight, negative);
  }
  project.SceneScale = g.proj.U;
  project.EyeDistance = g.proj.E;
  project.EyeHeight = g.proj.Eh;
  for (size_t i = 0; i < g.boards.size(); ++i) {
    TBoard& b = project.Boards[i];
    TBoard& n = g.boards[i];
    b.PX = n.PX;
    b.PY = n.PY;
    b.X = n.X;
    b.Y = n.Y;
    b.Z = n.Z;
    b.TexWidth = n.TexWidth;
    b.TexHeight = n.TexHeight;
    b.Texels = std::move(n.Texels);
    b.TexUploaded = false;
  }
  return g.rear;
}

void BuildObjectBoards(TProject& project, const RearCorners& rear, UiCallbacks& ui) {
  const double U = project.SceneScale;
  const double E = project.EyeDistance;
  const double Eh = project.EyeHeight;
  const double Vx = project.VanishX;
  const double Vy = project.VanishY;
  const double g = 1 / U;

  // The upright board of o at depth factor d over its picture box; onPlane moves the edge that
  // touches its plane exactly onto the plane.
  const auto PlaceBoard = [&](TfgObj& o, double d, bool onPlane) {
    const auto X = [&](int x) { return (x - Vx) / U * d; };
    const auto Y = [&](int y) { return Eh + (y - Vy) / U * d; };
    double x1 = X(o.X1), x2 = X(o.X2), y1 = Y(o.Y1), y2 = Y(o.Y2);
    const double z = E * (1 - d);
    switch (onPlane ? o.Parent : 0) {
      case kFloor:
        y1 = 0;
        break;
      case kCeiling:
        y2 = rear.Yc;
        break;
      case kLeftWall:
        x1 = rear.XL;
        break;
      case kRightWall:
        x2 = rear.XR;
        break;
      default:
        break;
    }
    o.X = {x1, x2, x2, x1};
    o.Y = {y1, y1, y2, y2};
    o.Z = {z, z, z, z};
  };

  for (TfgObj& o : project.fgObjs) {
    double d = 0;
    std::string why;
    switch (o.Parent) {
      case kFloor:
        if (o.Y1 - Vy == 0)
          why = "its bottom edge lies at the height of the vanishing point.";
        else
          d = (0 - Eh) / ((o.Y1 - Vy) / U);
        break;
      case kCeiling:
        if (o.Y2 - Vy == 0)
          why = "its top edge lies at the height of the vanishing point.";
        else
          d = (rear.Yc - Eh) / ((o.Y2 - Vy) / U);
        break;
      case kLeftWall:
        if (o.X1 - Vx == 0)
          why = "its left edge lies in the column of the vanishing point.";
        else
          d = rear.XL / ((o.X1 - Vx) / U);
        break;
      case kRightWall:
        if (o.X2 - Vx == 0)
          why = "its right edge lies in the column of the vanishing point.";
        else
          d = rear.XR / ((o.X2 - Vx) / U);
        break;
      case kRearWall:
        // One picture pixel in front of the rear wall, so that the wall drawn first never hides
        // it; the depth factor keeps the board exactly over its picture box.
        d = rear.Dr - g / E;
        if (!(d > 0)) d = rear.Dr;
        break;
      default:
        why = "it stands on no plane (Parent " + std::to_string(o.Parent) + ").";
        break;
    }
    if (why.empty() && !std::isfinite(d)) why = "its depth cannot be computed.";
    // A box whose edge meets its plane only behind the rear wall (or never, in front of the eye),
    // such as a post whose foot is hidden behind a low wall, would vanish behind the rear wall:
    // it is shown on the rear wall instead.
    if (why.empty() && o.Parent != kRearWall && !(d > 0 && d <= rear.Dr * (1 + 1e-9))) {
      ui.Warning("Object '" + o.Name + "' is placed on the rear wall: its box puts it behind " +
                 "the rear wall of the 3D scene.");
      d = rear.Dr - g / E;
      if (!(d > 0)) d = rear.Dr;
      PlaceBoard(o, d, /*onPlane=*/false);
      continue;
    }
    if (!why.empty()) {
      WarnSkipped(ui, o, why);
      o.X.fill(0);
      o.Y.fill(0);
      o.Z.fill(0);
      continue;
    }
    PlaceBoard(o, d, /*onPlane=*/true);
  }
  GrowPlaneBoards(project);
}

void GrowPlaneBoards(TProject& project) {
  const double g = 1 / project.SceneScale;
  // Outer planes: corners 0, 1 further back, 2, 3 nearer.
  for (size_t b = 0; b < 4; ++b) {
    TBoard& board = project.Boards[b];
    board.Z[0] -= g;
    board.Z[1] -= g;
    board.Z[2] += g;
    board.Z[3] += g;
  }
  // Across each plane: the sign for corners 0 and 3 (corners 1 and 2 move the other way).
  TBoard& floor = project.Boards[0];
  floor.X[0] -= g, floor.X[3] -= g, floor.X[1] += g, floor.X[2] += g;
  TBoard& right = project.Boards[1];
  right.Y[0] -= g, right.Y[3] -= g, right.Y[1] += g, right.Y[2] += g;
  TBoard& left = project.Boards[2];
  left.Y[0] += g, left.Y[3] += g, left.Y[1] -= g, left.Y[2] -= g;
  TBoard& ceiling = project.Boards[3];
  ceiling.X[0] += g, ceiling.X[3] += g, ceiling.X[1] -= g, ceiling.X[2] -= g;
  TBoard& rear = project.Boards[4];
  rear.X[0] -= g, rear.Y[0] -= g;
  rear.X[1] += g, rear.Y[1] -= g;
  rear.X[2] += g, rear.Y[2] += g;
  rear.X[3] -= g, rear.Y[3] += g;
}

void SortObjectsByDepth(TProject& project) {
  std::vector<TfgObj>& objs = project.fgObjs;
  const int n = project.fgObjCount();
  for (int i = 0; i < n; ++i) objs[static_cast<size_t>(i)].DrawOrder = i;
  const auto depth = [&](int entry) {
    return objs[static_cast<size_t>(objs[static_cast<size_t>(entry)].DrawOrder)].Z[0];
  };
  for (int pass = n - 1; pass >= 1; --pass) {
    for (int i = 0; i < pass; ++i) {
      if (depth(i) > depth(i + 1)) {
        std::swap(objs[static_cast<size_t>(i)].DrawOrder,
                  objs[static_cast<size_t>(i + 1)].DrawOrder);
      }
    }
  }
}

void BuildObjectTextures(TProject& project, bool negative, int textureMax) {
  const TFastBMP& original = project.IOriginal_r;
  const TFastBMP& mask = project.IMask_r;
  const TFastBMP& label = project.LabelImage;
  // The label image names the object of each pixel (red + 256 green + 65536 blue == index); it
  // belongs to the accepted extraction of this mask.
  const bool useLabel = project.ObjectsExtracted && !label.Empty() &&
                        label.Width() == mask.Width() && label.Height() == mask.Height();
  const uint8_t flip = negative ? 255 : 0;
  const int picHeight = project.PicHeight;
  const double maxWidth = std::max(original.Width(), mask.Width()) + 1.0;
  const double maxHeight = std::max(original.Height(), mask.Height()) + 1.0;
  std::vector<int> columns;

  for (size_t k = 0; k < project.fgObjs.size(); ++k) {
    TfgObj& o = project.fgObjs[k];
    const int64_t w64 = static_cast<int64_t>(o.X2) - o.X1;
    const int64_t h64 = static_cast<int64_t>(o.Y1) - o.Y2;
    const auto clampSize = [](int64_t v) {
      return static_cast<int>(std::min<int64_t>(std::llabs(v), 1 << 20));
    };
    const int t = TextureSize({clampSize(w64), clampSize(h64)}, textureMax);
    const auto tt = static_cast<size_t>(t);
    o.TexWidth = o.TexHeight = t;
    o.TexUploaded = false;
    o.Texels.assign(tt * tt * 4, 0);
    const int index = static_cast<int>(k);

    // Picture column of every texture column; -1 outside the picture.
    columns.assign(tt, -1);
    for (int i = 0; i < t; ++i) {
      const double x = static_cast<double>(w64 * i) / (t - 1) + o.X1;
      if (x > -1.0 && x < maxWidth) {
        columns[static_cast<size_t>(i)] = FastRound(x);
      }
    }
    for (int j = 0; j < t; ++j) {
      const double yr = static_cast<double>(h64 * j) / (t - 1) + (picHeight - 1.0 - o.Y1);
      if (!(yr > -1.0 && yr < maxHeight)) continue;
      const int row = FastRound(yr);
      const uint8_t* orow = row >= 0 && row < original.Height() ? original.Row(row) : nullptr;
      const uint8_t* mrow = row >= 0 && row < mask.Height() ? mask.Row(row) : nullptr;
      const uint8_t* lrow = useLabel && mrow ? label.Row(row) : nullptr;
      uint8_t* out = o.Texels.data() + static_cast<size_t>(j) * tt * 4;
      for (int i = 0; i < t; ++i, out += 4) {
        const int col = columns[static_cast<size_t>(i)];
        if (col < 0) continue;
        if (orow && col < original.Width()) {
          const uint8_t* src = orow + 3 * static_cast<size_t>(col);
          out[0] = src[2] ^ flip;
          out[1] = src[1] ^ flip;
          out[2] = src[0] ^ flip;
        }
        if (mrow && col < mask.Width()) {
          const uint8_t red = mrow[3 * static_cast<size_t>(col) + 2];
          int region = red;
          if (lrow) {
            const uint8_t* l = lrow + 3 * static_cast<size_t>(col);
            region = l[2] + 256 * l[1] + 65536 * l[0];
          }
          out[3] = region == index ? red : 0;
        }
      }
    }
  }
}

void EnsureSceneScale(TProject& project) {
  if (project.SceneScale > 0 && std::isfinite(project.SceneScale)) return;
  const double u = ComputeSceneScale(project);
  if (!(project.FocalLength > 0) || !std::isfinite(project.FocalLength)) {
    throw Error(kCannotMake + "the focal length must be greater than zero.");
  }
  project.SceneScale = u;
  project.EyeDistance = project.FocalLength / u;
  project.EyeHeight = std::isfinite(project.VanishY) ? project.VanishY / u : 0;
}

void BuildPictureBoard(TProject& project, bool negative) {
  EnsureSceneScale(project);
  const TFastBMP& picture = project.IOriginal;
  const double U = project.SceneScale;
  const int w = picture.Width();
  const int h = picture.Height();
  TBoard& b = project.Boards[0];
  b.X = {0, w / U, w / U, 0};
  b.Y = {0, 0, h / U, h / U};
  b.Z = {0, 0, 0, 0};
  b.PX = {0, w, w, 0};
  b.PY = {0, 0, h, h};
  const int t = TextureSize({std::max(w, h)});
  const auto tt = static_cast<size_t>(t);
  b.TexWidth = b.TexHeight = t;
  b.TexUploaded = false;
  b.Texels.assign(tt * tt * 3, 0);
  if (picture.Empty()) return;
  TFastBMP stretched;
  picture.StretchInto(stretched, t, t);
  const uint8_t flip = negative ? 255 : 0;
  for (int row = 0; row < t; ++row) {
    const uint8_t* src = stretched.Row(row);
    uint8_t* out = b.Texels.data() + static_cast<size_t>(row) * tt * 3;
    for (int i = 0; i < t; ++i, src += 3, out += 3) {
      out[0] = src[2] ^ flip;
      out[1] = src[1] ^ flip;
      out[2] = src[0] ^ flip;
    }
  }
}

RearCorners MakeScene(TProject& project, const MakeSceneOptions& options, UiCallbacks& ui) {
  // Refuse a mesh that cannot be built before anything is changed.
  (void)ComputePlaneGeometry(project);
  if (!project.ObjectsExtracted) {
    const ExtractionResult result =
        ExtractObjects(project.IMask_r, options.Extraction, project.PicHeight);
    AcceptExtraction(project, result, options.Extraction.OverwritePositions);
  }
  const RearCorners rear = BuildScene(project, options.Negative, options.TextureMax);
  BuildObjectBoards(project, rear, ui);
  SortObjectsByDepth(project);
  BuildObjectTextures(project, options.Negative, options.TextureMax);
  SetDefaultCamera(project);
  project.TransitionMode = false;
  project.SceneMade = true;
  return rear;
}

}  // namespace glkov
