#include "core/perspective/mesh.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "core/error.h"
#include "core/model/project.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

// Display coordinates are kept within this many pixels of the origin; the visible part of a
// segment never lies further out.
constexpr double kDisplayLimit = 1 << 24;

// Most depth lines on one outer plane.
constexpr int kMaxDepthLines = 30;

bool Finite(PointD p) { return std::isfinite(p.x) && std::isfinite(p.y); }

int ClampedRound(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int>(std::nearbyint(std::clamp(v, -kDisplayLimit, kDisplayLimit)));
}

// Cuts the segment p..q (display coordinates) to the square of kDisplayLimit around the origin
// (Liang-Barsky). False when nothing of it lies inside.
bool ClipToDisplayLimit(double& x0, double& y0, double& x1, double& y1) {
  const double dx = x1 - x0;
  const double dy = y1 - y0;
  double t0 = 0;
  double t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 + kDisplayLimit, kDisplayLimit - x0, y0 + kDisplayLimit,
                       kDisplayLimit - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, r);
    } else {
      t1 = std::min(t1, r);
    }
    if (t0 > t1) return false;
  }
  const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
  const double nx1 = x0 + t1 * dx, ny1 = y0 + t1 * dy;
  x0 = nx0, y0 = ny0, x1 = nx1, y1 = ny1;
  return true;
}

class Painter {
 public:
  Painter(MeshDrawing& out, double scale, int picHeight)
      : out_(out), scale_(scale), picHeight_(picHeight) {}

  void Line(MeshLineKind kind, const MeshPen& pen, PointD from, PointD to) {
    if (!Finite(from) || !Finite(to)) return;
    double x0 = from.x * scale_, y0 = (picHeight_ - 1 - from.y) * scale_;
    double x1 = to.x * scale_, y1 = (picHeight_ - 1 - to.y) * scale_;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
      return;
    }
    if (!ClipToDisplayLimit(x0, y0, x1, y1)) return;
    out_.Segments.push_back({kind,
                             pen,
                             from,
                             to,
                             {ClampedRound(x0), ClampedRound(y0)},
                             {ClampedRound(x1), ClampedRound(y1)}});
  }

 private:
  MeshDrawing& out_;
  double scale_;
  int picHeight_;
};

PointD Add(PointD a, PointD b) { return {a.x + b.x, a.y + b.y}; }

}  // namespace

std::optional<PointD> IntersectLines(const LineD& a, const LineD& b) {
  const PointD p0 = a.P0, p1 = a.P1, q0 = b.P0, q1 = b.P1;
  const double den = (p1.y - p0.y) * (q1.x - q0.x) - (q1.y - q0.y) * (p1.x - p0.x);
  if (den == 0 || !std::isfinite(den)) return std::nullopt;
  const double t = ((q0.y - p0.y) * (p1.x - p0.x) - (q0.x - p0.x) * (p1.y - p0.y)) / den;
  const PointD r{q0.x + t * (q1.x - q0.x), q0.y + t * (q1.y - q0.y)};
  if (!Finite(r)) return std::nullopt;
  return r;
}

int DisplayExtent(int picExtent, double fitScale) { return ClampedRound(picExtent * fitScale); }

DisplayPoint PictureToDisplay(PointD p, double fitScale, int picHeight) {
  return {ClampedRound(p.x * fitScale), ClampedRound((picHeight - 1 - p.y) * fitScale)};
}

PointD DisplayToPicture(double cx, double cy, double fitScale, int displayHeight) {
  return {cx / fitScale, (displayHeight - 1 - cy) / fitScale};
}

MeshDrawing DrawMesh(const TProject& p, const DrawMeshOptions& options) {
  MeshDrawing out;
  const double s = options.FitScale;
  out.DisplayWidth = DisplayExtent(p.PicWidth, s);
  out.DisplayHeight = DisplayExtent(p.PicHeight, s);
  out.HasBackdrop = options.HasBackdrop;
  if (!options.HasBackdrop) return out;

  Painter paint(out, s, p.PicHeight);
  const double step = std::abs(p.InnerRight - p.InnerLeft) / p.GridDivisions;
  const PointD vp{p.VanishX, p.VanishY};
  const PointD bl{p.InnerLeft, p.InnerBottom}, br{p.InnerRight, p.InnerBottom};
  const PointD tl{p.InnerLeft, p.InnerTop}, tr{p.InnerRight, p.InnerTop};
  const LineD rBL{vp, bl}, rBR{vp, br}, rTL{vp, tl}, rTR{vp, tr};
  const PointD d1{p.VanishX - p.FocalLength, p.VanishY};
  const PointD d2{p.VanishX, p.VanishY - p.FocalLength};
  auto ext = [&](PointD q) { return PointD{vp.x + 10 * (q.x - vp.x), vp.y + 10 * (q.y - vp.y)}; };

  if (std::isfinite(step)) {
    // Depth lines: a diagonal from a distance point through a rear-wall corner meets the grid
    // radials at depths one grid step apart; the line through that point spans the plane
    // between its two radials. `stop` ends a plane's lines once the point wraps around.
    auto depthLines = [&](MeshLineKind kind, const LineD& diagonal, auto gridPoint, PointD dir,
                          const LineD& cutA, const LineD& cutB, auto stop) {
      for (int i = 1; i <= kMaxDepthLines; ++i) {
        const std::optional<PointD> at = IntersectLines(diagonal, {vp, gridPoint(i)});
        if (!at) continue;
        const LineD across{*at, Add(*at, dir)};
        const std::optional<PointD> a = IntersectLines(across, cutA);
        const std::optional<PointD> b = IntersectLines(across, cutB);
        if (a && b) paint.Line(kind, kGridPen, *a, *b);
        if (stop(*at)) break;
      }
    };
    auto columnAt = [&](double y) {
      return [&, y](int i) { return PointD{p.InnerLeft + i * step + p.GridOffsetX, y}; };
    };
    auto rowAt = [&](double x) {
      return [&, x](int j) { return PointD{x, p.InnerTop + j * step + p.GridOffsetY}; };
    };
    depthLines(MeshLineKind::FloorDepth, {d1, bl}, columnAt(p.InnerBottom), {1, 0}, rBL, rBR,
               [&](PointD q) { return q.y > p.PicHeight; });
    depthLines(MeshLineKind::CeilingDepth, {d1, tl}, columnAt(p.InnerTop), {1, 0}, rTL, rTR,
               [&](PointD q) { return q.y < 0; });
    depthLines(MeshLineKind::RightWallDepth, {d2, tr}, rowAt(p.InnerRight), {0, 1}, rBR, rTR,
               [&](PointD q) { return q.x > p.PicWidth; });
    depthLines(MeshLineKind::LeftWallDepth, {d2, tl}, rowAt(p.InnerLeft), {0, 1}, rTL, rBL,
               [&](PointD q) { return q.x < 0; });

    // Grid columns and rows of the rear wall, continued over the outer planes. A zero step
    // would never reach the far edge, so it draws none.
    if (step > 0) {
      for (int i = 1; i <= kMaxGridLines; ++i) {
        const double x = p.InnerLeft + i * step + p.GridOffsetX;
        if (!(x < p.InnerRight)) break;
        const PointD b{x, p.InnerBottom}, t{x, p.InnerTop};
        paint.Line(MeshLineKind::GridRadial, kGridPen, ext(b), b);
        paint.Line(MeshLineKind::GridRadial, kGridPen, t, ext(t));
        paint.Line(MeshLineKind::RearVertical, kGridPen, b, t);
      }
      for (int j = 1; j <= kMaxGridLines; ++j) {
        const double y = p.InnerBottom + j * step + p.GridOffsetY;
        if (!(y < p.InnerTop)) break;
        const PointD l{p.InnerLeft, y}, r{p.InnerRight, y};
        paint.Line(MeshLineKind::WallRadial, kGridPen, l, ext(l));
        paint.Line(MeshLineKind::WallRadial, kGridPen, r, ext(r));
        paint.Line(MeshLineKind::RearHorizontal, kGridPen, l, r);
      }
    }
  }

  if (options.EditView) {
    for (PointD c : {bl, br, tl, tr}) paint.Line(MeshLineKind::Guide, kGuidePen, vp, c);
  }
  for (PointD c : {bl, br, tl, tr}) paint.Line(MeshLineKind::Radial, kFramePen, c, ext(c));
  paint.Line(MeshLineKind::InnerRect, kFramePen, bl, br);
  paint.Line(MeshLineKind::InnerRect, kFramePen, br, tr);
  paint.Line(MeshLineKind::InnerRect, kFramePen, tr, tl);
  paint.Line(MeshLineKind::InnerRect, kFramePen, tl, bl);

  if (!options.EditView && p.ObjectsExtracted) {
    for (size_t i = 0; i < p.fgObjs.size(); ++i) {
      const TfgObj& o = p.fgObjs[i];
      out.Boxes.push_back({static_cast<int>(i), kObjectPen,
                           PictureToDisplay({double(o.X1), double(o.Y1)}, s, p.PicHeight),
                           PictureToDisplay({double(o.X2), double(o.Y2)}, s, p.PicHeight)});
    }
  }
  return out;
}

std::optional<PointD> HandlePoint(const TProject& p, int tag) {
  switch (tag) {
    case 2:
      return PointD{p.VanishX, p.VanishY};
    case 3:
      return PointD{p.InnerLeft, p.InnerBottom};
    case 4:
      return PointD{p.InnerLeft, p.InnerTop};
    case 5:
      return PointD{p.InnerRight, p.InnerBottom};
    case 6:
      return PointD{p.InnerRight, p.InnerTop};
    default:
      return std::nullopt;
  }
}

bool MoveHandle(TProject& p, int tag, double cx, double cy, double fitScale) {
  if (!(fitScale > 0) || !std::isfinite(fitScale) || tag < 2 || tag > 6) return false;
  const PointD q = DisplayToPicture(cx, cy, fitScale, DisplayExtent(p.PicHeight, fitScale));
  double& x = (tag == 2) ? p.VanishX : (tag == 3 || tag == 4) ? p.InnerLeft : p.InnerRight;
  double& y = (tag == 2) ? p.VanishY : (tag == 3 || tag == 5) ? p.InnerBottom : p.InnerTop;
  x = q.x;
  y = q.y;
  return true;
}

void ApplyMeshDrag(TProject& p, MeshDragMode mode, int dX, int dY) {
  switch (mode) {
    case MeshDragMode::GridOffset:
      p.GridOffsetX += dX / 50.0;
      p.GridOffsetY += dY / 50.0;
      break;
    case MeshDragMode::FocalLength:
      p.FocalLength += dY / 10.0;
      break;
    case MeshDragMode::GridDivisions:
      p.GridDivisions += dX / 50.0;
      if (p.GridDivisions < 1.0) p.GridDivisions = 1.0;
      break;
  }
}

double FieldOfView(double focalLength, int picWidth) {
  return 2 * std::atan2((picWidth / 2.0) / focalLength, 1.0) * 180 / std::numbers::pi;
}

double FocalLengthForFieldOfView(double fovDegrees, int picWidth) {
  if (!(fovDegrees > 0 && fovDegrees < 180)) {
    throw Error("The field of view must be more than 0 and less than 180 degrees.");
  }
  return (picWidth / 2.0) / std::tan(fovDegrees / 2 * std::numbers::pi / 180);
}

void SetFieldOfView(TProject& p, std::string_view answer) {
  std::string_view t = answer;
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  const std::optional<double> v = ParseDouble(t);
  if (!v) throw Error("'" + std::string(answer) + "' is not a valid floating point value");
  p.FocalLength = FocalLengthForFieldOfView(*v, p.PicWidth);
}

}  // namespace glkov
