#include "core/vision/suggest_mesh.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
#include <opencv2/imgproc.hpp>
#include <opencv2/ximgproc/fast_line_detector.hpp>

#include "core/model/project.h"
#include "core/vision/cv_bridge.h"

namespace glkov::vision {

namespace {

constexpr double kDeg = std::numbers::pi / 180;
constexpr double kFrontalTolerance = 3 * kDeg;  // horizontal and vertical rear-wall edges
constexpr double kRecedingMargin = 8 * kDeg;    // receding lines are at least this oblique
constexpr double kInlierAngle = 1.5 * kDeg;     // a line agrees with a point within this angle
constexpr int kHypothesisLines = 70;            // the longest lines whose pairs are voted on
constexpr double kMinPairAngle = 10 * kDeg;     // pairs closer in direction meet too vaguely
constexpr double kShortPiece = 6;               // the shortest frontal segment, work pixels

// A segment in picture pixels with rows from the top (y down), as found.
struct Segment {
  cv::Point2d a, b;
  double length = 0;
  double angle = 0;    // direction in [0, pi)
  bool piece = false;  // too short to vote for the vanishing point
};

double AngleDiff(double a, double b) {  // between two directions in [0, pi)
  const double d = std::abs(a - b);
  return std::min(d, std::numbers::pi - d);
}

// The angle between the segment's direction and the line from its middle to point v.
double AngleTo(const Segment& s, cv::Point2d v) {
  const cv::Point2d m = 0.5 * (s.a + s.b);
  const cv::Point2d d = v - m;
  // A receding line ends before its vanishing point: a point on the segment itself is not one.
  if (d.dot(d) < 0.25 * s.length * s.length) return std::numbers::pi;
  double a = std::atan2(d.y, d.x);
  if (a < 0) a += std::numbers::pi;
  if (a >= std::numbers::pi) a -= std::numbers::pi;
  return AngleDiff(a, s.angle);
}

std::optional<cv::Point2d> Meet(const Segment& p, const Segment& q) {
  const cv::Point3d l1 = cv::Point3d(p.a.x, p.a.y, 1).cross(cv::Point3d(p.b.x, p.b.y, 1));
  const cv::Point3d l2 = cv::Point3d(q.a.x, q.a.y, 1).cross(cv::Point3d(q.b.x, q.b.y, 1));
  const cv::Point3d v = l1.cross(l2);
  if (std::abs(v.z) < 1e-12) return std::nullopt;
  const cv::Point2d r(v.x / v.z, v.y / v.z);
  if (!std::isfinite(r.x) || !std::isfinite(r.y)) return std::nullopt;
  return r;
}

// How strongly the lines agree with point v: each agreeing line counts with its length, less
// the further its direction misses the point. slack
// widens the agreement by that many pixels at the line, for points of a coarse grid that stand
// for the cell around them. Distances instead of angles: the line misses v by |d x u| at the
// distance |d|, within the tolerance when that is below |d| sin(angle) + slack.
double Support(const std::vector<Segment>& lines, cv::Point2d v, double slack = 0) {
  static const double kSinInlier = std::sin(kInlierAngle);
  double score = 0, lo = std::numbers::pi, hi = 0;
  for (const Segment& s : lines) {
    const cv::Point2d d = v - 0.5 * (s.a + s.b);
    const double d2 = d.dot(d);
    if (d2 < 0.25 * s.length * s.length) continue;  // on the segment itself
    const cv::Point2d u = (s.b - s.a) / s.length;
    const double miss = std::abs(d.x * u.y - d.y * u.x);
    const double tolerance = std::sqrt(d2) * kSinInlier + slack;
    if (miss < tolerance) {
      score += s.length * (1 - miss / tolerance);
      lo = std::min(lo, s.angle);
      hi = std::max(hi, s.angle);
    }
  }
  // Lines of one direction meet nowhere: a long edge alone does not make a point on its
  // extension.
  return hi - lo >= kMinPairAngle ? score : 0;
}

// The best supported point of the allowed area, coarse to fine: a grid over the area, then
// around its best few cells grids of half the step until the step is below a pixel. Finds the
// point where many short lines meet, which no pair of the longest lines may propose.
std::optional<cv::Point2d> GridVote(const std::vector<Segment>& lines, const cv::Rect2d& area) {
  constexpr int kCells = 32, kKept = 4;
  double step = std::max(area.width, area.height) / kCells;
  std::vector<std::pair<double, cv::Point2d>> scored;
  for (double y = area.y + step / 2; y < area.y + area.height; y += step)
    for (double x = area.x + step / 2; x < area.x + area.width; x += step)
      scored.emplace_back(Support(lines, {x, y}, step), cv::Point2d(x, y));
  auto byScore = [](const auto& a, const auto& b) { return a.first > b.first; };
  const size_t kept = std::min(scored.size(), size_t(kKept));
  std::partial_sort(scored.begin(), scored.begin() + long(kept), scored.end(), byScore);
  scored.resize(kept);
  while (step > 0.5) {
    step /= 2;
    for (auto& [score, point] : scored) {
      const cv::Point2d centre = point;
      score = 0;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) {
          const cv::Point2d v = centre + step * cv::Point2d(i, j);
          if (const double sv = Support(lines, v, step); sv > score) {
            score = sv;
            point = v;
          }
        }
    }
  }
  for (auto& [score, point] : scored) score = Support(lines, point);
  const auto best = std::max_element(
      scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  if (best == scored.end() || best->first <= 0) return std::nullopt;
  return best->second;
}

// The point nearest to all lines in the least-squares sense, each weighted by its squared length
// (a long edge's direction is the more exact).
std::optional<cv::Point2d> LeastSquaresPoint(const std::vector<const Segment*>& lines) {
  double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
  for (const Segment* s : lines) {
    const cv::Point2d d = (s->b - s->a) / s->length;
    const cv::Point2d n(-d.y, d.x);
    const double c = n.dot(s->a);
    const double w = s->length * s->length;
    a11 += w * n.x * n.x;
    a12 += w * n.x * n.y;
    a22 += w * n.y * n.y;
    b1 += w * n.x * c;
    b2 += w * n.y * c;
  }
  const double det = a11 * a22 - a12 * a12;
  if (!(std::abs(det) > 1e-9 * (a11 + a22) * (a11 + a22))) return std::nullopt;
  return cv::Point2d((a22 * b1 - a12 * b2) / det, (a11 * b2 - a12 * b1) / det);
}

// The grey picture with its longer side brought to size: large photographs are reduced for
// speed, small ones enlarged so that their short edges still make segments.
cv::Mat Resized(const cv::Mat& grey, int size) {
  const double f = double(size) / std::max(grey.cols, grey.rows);
  if (f == 1) return grey;
  cv::Mat out;
  cv::resize(grey, out, cv::Size(), f, f, f < 1 ? cv::INTER_AREA : cv::INTER_LINEAR);
  return out;
}

// OpenCV's contributed image library, home of the fast line detector, brings the whole of OpenCV's
// picture codecs with it (GDAL, DICOM, OpenEXR and more): some 30 MB in every process that links
// it. It is opened the first time a mesh is suggested instead, so that an export never carries it.
using CreateFastLineDetector = cv::Ptr<cv::ximgproc::FastLineDetector> (*)(int, float, double,
                                                                          double, int, bool);

CreateFastLineDetector FastLineDetectorFactory() {
  static const CreateFastLineDetector create = [] () -> CreateFastLineDetector {
    void* library = ::dlopen(GLKOV_XIMGPROC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    void* symbol =
        library ? ::dlsym(library, "_ZN2cv8ximgproc22createFastLineDetectorEifddib") : nullptr;
    if (!symbol) {
      // Only a broken installation gets here; the suggestion still comes, from fewer lines.
      const char* why = ::dlerror();
      std::fprintf(stderr, "glkov: no fast line detector (%s); the mesh is suggested without it\n",
                   why ? why : GLKOV_XIMGPROC_LIBRARY);
      return nullptr;
    }
    return reinterpret_cast<CreateFastLineDetector>(symbol);
  }();
  return create;
}

// grey: the picture of size full at the working size.
std::vector<Segment> FindSegments(const cv::Mat& grey, cv::Size full) {
  const double minLength = std::max(8.0, 0.02 * std::max(grey.cols, grey.rows));
  // Two detectors see different edges: the line segment detector follows sharp edges exactly
  // but breaks soft borders (a path against grass) into short pieces that turn; the fast line
  // detector, on Canny edges, still finds those as long lines.
  std::vector<cv::Vec4f> found, joined;
  cv::createLineSegmentDetector(cv::LSD_REFINE_STD)->detect(grey, found);
  if (const CreateFastLineDetector create = FastLineDetectorFactory()) {
    create(int(minLength), 1.414f, 30, 60, 3, false)->detect(grey, joined);
  }
  found.insert(found.end(), joined.begin(), joined.end());
  // Back to the picture's pixels: a work pixel's centre is a picture position.
  const double sx = double(full.width) / grey.cols, sy = double(full.height) / grey.rows;
  std::vector<Segment> out;
  out.reserve(found.size());
  for (const cv::Vec4f& v : found) {
    // Short pieces only count for frontal lines: a rear wall's border cut by the joints of the
    // bricks beside it is a column of them.
    const double length = std::hypot(v[2] - v[0], v[3] - v[1]);
    if (length < kShortPiece) continue;
    Segment s;
    s.piece = length < minLength;
    s.a = {(v[0] + 0.5) * sx - 0.5, (v[1] + 0.5) * sy - 0.5};
    s.b = {(v[2] + 0.5) * sx - 0.5, (v[3] + 0.5) * sy - 0.5};
    const cv::Point2d d = s.b - s.a;
    s.length = std::hypot(d.x, d.y);
    if (!(s.length > 0)) continue;
    s.angle = std::atan2(d.y, d.x);
    if (s.angle < 0) s.angle += std::numbers::pi;
    if (s.angle >= std::numbers::pi) s.angle -= std::numbers::pi;
    out.push_back(s);
  }
  return out;
}

struct VanishingPoint {
  cv::Point2d Point;
  std::vector<const Segment*> Inliers;
  double Confidence = 0;
};

std::optional<VanishingPoint> FindVanishingPoint(const std::vector<Segment>& receding, int w,
                                                 int h) {
  if (receding.size() < 2) return std::nullopt;
  std::vector<const Segment*> longest;
  for (const Segment& s : receding) longest.push_back(&s);
  std::sort(longest.begin(), longest.end(),
            [](const Segment* a, const Segment* b) { return a->length > b->length; });
  if (longest.size() > size_t(kHypothesisLines)) longest.resize(kHypothesisLines);

  // The vote: every pair of long lines proposes where they meet; the proposal most lines agree
  // with wins. The point must lie on the picture, where the rear wall is.
  const cv::Rect2d allowed(-0.02 * w, -0.02 * h, 1.04 * w, 1.04 * h);
  double best = 0;
  cv::Point2d vp;
  for (size_t i = 0; i < longest.size(); ++i) {
    for (size_t j = i + 1; j < longest.size(); ++j) {
      if (AngleDiff(longest[i]->angle, longest[j]->angle) < kMinPairAngle) continue;
      const std::optional<cv::Point2d> v = Meet(*longest[i], *longest[j]);
      if (!v || !allowed.contains(*v)) continue;
      const double score = Support(receding, *v);
      if (score > best) {
        best = score;
        vp = *v;
      }
    }
  }
  if (const std::optional<cv::Point2d> g = GridVote(receding, allowed)) {
    if (const double score = Support(receding, *g); score > best) {
      best = score;
      vp = *g;
    }
  }
  if (best <= 0) return std::nullopt;

  // Least squares over the agreeing lines, a few rounds as the set settles.
  VanishingPoint out;
  for (int round = 0; round < 4; ++round) {
    out.Inliers.clear();
    for (const Segment& s : receding)
      if (AngleTo(s, vp) < kInlierAngle) out.Inliers.push_back(&s);
    if (out.Inliers.size() < 2) break;
    const std::optional<cv::Point2d> refined = LeastSquaresPoint(out.Inliers);
    if (!refined || !allowed.contains(*refined)) break;
    vp = *refined;
  }
  out.Inliers.clear();
  double inlierLength = 0, totalLength = 0;
  double minAngle = std::numbers::pi, maxAngle = 0;
  for (const Segment& s : receding) {
    totalLength += s.length;
    if (AngleTo(s, vp) >= kInlierAngle) continue;
    out.Inliers.push_back(&s);
    inlierLength += s.length;
    minAngle = std::min(minAngle, s.angle);
    maxAngle = std::max(maxAngle, s.angle);
  }
  out.Point = vp;
  // Several lines, of different directions, carrying much of the receding length.
  const double n = double(out.Inliers.size());
  const double spread = out.Inliers.empty() ? 0 : maxAngle - minAngle;
  out.Confidence = std::min(1.0, n / 10) * std::min(1.0, spread / (40 * kDeg)) *
                   std::min(1.0, 2 * inlierLength / totalLength);
  if (out.Inliers.size() < 3 || spread < kMinPairAngle) out.Confidence = 0;
  return out;
}

// The point that the picture's edges run around, for corridors whose receding borders are too
// soft and ragged to make straight segments (a path between rows of plants, a tunnel of
// leaves). The cross-sections of a corridor (arches, frames, the borders of the rear wall) lie
// on rings around its vanishing point: their edges run across the lines to the point. Each
// candidate sums, over a disc around it, the gradient energy along the line to it less the
// energy across that line (the structure tensor of the grey picture projected on the two
// directions); the best candidate wins. Share is the part of all gradient energy in the disc
// that runs around the point (-1 .. 1, about 0 for edges of any direction).
struct SurroundedPoint {
  cv::Point2d Point;  // picture pixels, rows from the top
  double Share = 0;
};

constexpr double kWeakLines = 0.2;     // lines of a lower confidence give way to rings
constexpr double kMinRingShare = 0.2;  // less of the energy around a point is chance
constexpr int kRingWorkSize = 320;     // the longer side of the picture the rings are found on
constexpr double kRingRadius = 0.5;    // the disc's radius, in the longer side
constexpr double kRingSigma = 3;       // the structure tensor's window, in work pixels

// grey: the picture of size full reduced to kRingWorkSize, as floats 0..1.
std::optional<SurroundedPoint> FindSurroundedPoint(const cv::Mat& grey, cv::Size full) {
  cv::Mat gx, gy;
  cv::Sobel(grey, gx, CV_32F, 1, 0);
  cv::Sobel(grey, gy, CV_32F, 0, 1);
  cv::Mat jxx = gx.mul(gx), jxy = gx.mul(gy), jyy = gy.mul(gy);
  for (cv::Mat* j : {&jxx, &jxy, &jyy}) cv::GaussianBlur(*j, *j, cv::Size(), kRingSigma);
  // Along the unit direction (cos p, sin p) to the point less across it:
  // (jxx - jyy) cos 2p + 2 jxy sin 2p, summed by correlating with the disc's cos 2p and sin 2p.
  const int r = int(std::lround(kRingRadius * std::max(grey.cols, grey.rows)));
  cv::Mat kCos(2 * r + 1, 2 * r + 1, CV_32F), kSin(kCos.size(), CV_32F), kDisc(kCos.size(), CV_32F);
  for (int j = -r; j <= r; ++j)
    for (int i = -r; i <= r; ++i) {
      const double d = std::hypot(i, j), p = std::atan2(j, i);
      const bool in = d >= 3 && d <= r;  // a point's own edge has no direction to it
      kCos.at<float>(j + r, i + r) = in ? float(std::cos(2 * p)) : 0.f;
      kSin.at<float>(j + r, i + r) = in ? float(std::sin(2 * p)) : 0.f;
      kDisc.at<float>(j + r, i + r) = in ? 1.f : 0.f;
    }
  cv::Mat around, across, energy;
  cv::filter2D(jxx - jyy, around, CV_32F, kCos, {-1, -1}, 0, cv::BORDER_CONSTANT);
  cv::filter2D(2 * jxy, across, CV_32F, kSin, {-1, -1}, 0, cv::BORDER_CONSTANT);
  cv::filter2D(jxx + jyy, energy, CV_32F, kDisc, {-1, -1}, 0, cv::BORDER_CONSTANT);
  around += across;
  double best = 0;
  cv::Point at;
  cv::minMaxLoc(around, nullptr, &best, nullptr, &at);
  const float total = energy.at<float>(at);
  if (!(best > 0) || !(total > 0)) return std::nullopt;
  const double sx = double(full.width) / grey.cols, sy = double(full.height) / grey.rows;
  return SurroundedPoint{{(at.x + 0.5) * sx - 0.5, (at.y + 0.5) * sy - 0.5}, best / total};
}

// The frontal line of one side of the rear wall: a histogram of the segments' positions (across
// the line) weighted by their lengths; of its strong lines (a tenth of the strongest or more)
// the one preference scores highest, else the strongest. lo..hi is the searched range of
// positions; returns the position and the segments at it.
struct Edge {
  double Position = 0;
  std::vector<const Segment*> Lines;
};

std::optional<Edge> StrongestEdge(const std::vector<const Segment*>& frontal, bool horizontal,
                                  double lo, double hi, double minLength,
                                  const std::function<double(double)>& preference = {}) {
  if (!(hi - lo > 2)) return std::nullopt;
  const int bins = std::max(4, int((hi - lo) / 4));
  const double width = (hi - lo) / bins;
  std::vector<double> score(bins, 0);
  auto position = [&](const Segment* s) {
    return horizontal ? 0.5 * (s->a.y + s->b.y) : 0.5 * (s->a.x + s->b.x);
  };
  for (const Segment* s : frontal) {
    const double p = position(s);
    if (p < lo || p >= hi) continue;
    score[std::min(bins - 1, int((p - lo) / width))] += s->length;
  }
  // Two neighbouring bins make one line that falls on their border.
  std::vector<double> pair(bins);
  for (int i = 0; i < bins; ++i) pair[i] = score[i] + (i + 1 < bins ? score[i + 1] : 0);
  int bestBin = -1;
  double best = minLength;
  for (int i = 0; i < bins; ++i) {
    if (pair[i] > best) {
      best = pair[i];
      bestBin = i;
    }
  }
  if (bestBin < 0) return std::nullopt;
  if (preference) {
    double preferred = -std::numeric_limits<double>::infinity();
    const double strong = std::max(minLength, 0.1 * best);
    for (int i = 0; i < bins; ++i) {
      if (pair[i] < strong) continue;
      if (const double v = preference(lo + (i + 1) * width); v > preferred) {
        preferred = v;
        bestBin = i;
      }
    }
  }
  Edge e;
  double sum = 0, weight = 0;
  for (const Segment* s : frontal) {
    const double p = position(s);
    if (p < lo + bestBin * width || p >= lo + (bestBin + 2) * width) continue;
    e.Lines.push_back(s);
    sum += p * s->length;
    weight += s->length;
  }
  e.Position = sum / weight;
  return e;
}

// How much more the edges beyond each distance from the vanishing point run along the lines to
// it than those nearer: a room's floor, ceiling and side walls are full of receding edges (the
// boards, bricks and corners), its rear wall has none, so the rear wall's border is where that
// changes most, while the frontal lines of a tiled floor or a panel on a side wall lie beyond
// it. Profiles per side (0 top, 1 bottom, 2 left, 3 right, told apart by the picture's
// diagonals through the point) of the receding gradient energy per pixel, by distance.
class RecedingProfile {
 public:
  // grey: the picture of size full at some smaller or larger size, as floats 0..1; point in the
  // full picture's pixels.
  RecedingProfile(const cv::Mat& grey, cv::Size full, cv::Point2d point) {
    scale_ = double(full.width) / grey.cols;
    cv::Mat gx, gy;
    cv::Sobel(grey, gx, CV_32F, 1, 0);
    cv::Sobel(grey, gy, CV_32F, 0, 1);
    const cv::Point2d v((point.x + 0.5) / scale_ - 0.5, (point.y + 0.5) / scale_ - 0.5);
    for (int side = 0; side < 4; ++side) {
      sum_[side].assign(size_t(std::max(grey.cols, grey.rows)) + 1, 0);
      count_[side].assign(sum_[side].size(), 0);
    }
    for (int y = 0; y < grey.rows; ++y)
      for (int x = 0; x < grey.cols; ++x) {
        const double dx = x - v.x, dy = y - v.y, d2 = dx * dx + dy * dy;
        if (d2 < 1) continue;
        const double gxv = gx.at<float>(y, x), gyv = gy.at<float>(y, x);
        // The gradient across the line to the point, squared: the energy of receding edges.
        const double across = gxv * dy - gyv * dx;
        const double e = across * across / d2;
        const bool sideways = std::abs(dx) * grey.rows > std::abs(dy) * grey.cols;
        const int side = sideways ? (dx < 0 ? 2 : 3) : (dy < 0 ? 0 : 1);
        const size_t at = size_t(std::lround(sideways ? std::abs(dx) : std::abs(dy)));
        sum_[side][at] += e;
        count_[side][at] += 1;
      }
  }

  // The mean beyond the distance (picture pixels) less the mean nearer, over windows of width.
  double Step(int side, double distance, double width) const {
    const double d = distance / scale_, w = std::max(3.0, width / scale_);
    auto mean = [&](double from, double to) {
      double s = 0, n = 0;
      for (long i = std::max(0L, std::lround(from)); i <= std::lround(to); ++i)
        if (size_t(i) < sum_[side].size()) {
          s += sum_[side][size_t(i)];
          n += count_[side][size_t(i)];
        }
      return n > 0 ? s / n : 0.0;
    };
    return mean(d + 1.5, d + 1.5 + w) - mean(d - 1.5 - w, d - 1.5);
  }

 private:
  double scale_ = 1;
  std::vector<double> sum_[4], count_[4];
};

LineD ToPictureLine(const Segment& s, int h) {
  return {{s.a.x, h - 1 - s.a.y}, {s.b.x, h - 1 - s.b.y}};
}

}  // namespace

MeshSuggestion SuggestMesh(const TFastBMP& picture, const SuggestMeshOptions& options) {
  const int w = picture.Width(), h = picture.Height();
  MeshSuggestion out;
  out.FieldOfView = options.FieldOfView > 0 && options.FieldOfView < 180 ? options.FieldOfView : 60;
  TProject defaults;
  defaults.PicWidth = std::max(0, w);
  defaults.PicHeight = std::max(0, h);
  ResetMeshDefaults(defaults);
  out.VanishX = defaults.VanishX;
  out.VanishY = defaults.VanishY;
  out.InnerLeft = defaults.InnerLeft;
  out.InnerBottom = defaults.InnerBottom;
  out.InnerRight = defaults.InnerRight;
  out.InnerTop = defaults.InnerTop;
  out.FocalLength = w > 0 ? FocalLengthForFieldOfView(out.FieldOfView, w) : defaults.FocalLength;
  if (w < 8 || h < 8) return out;

  cv::Mat grey;
  cv::cvtColor(AsMat(picture), grey, cv::COLOR_BGR2GRAY);
  const cv::Mat work = Resized(grey, std::max(64, options.WorkSize));
  const std::vector<Segment> segments = FindSegments(work, grey.size());
  std::vector<Segment> receding;
  std::vector<const Segment*> horizontal, vertical;
  for (const Segment& s : segments) {
    const double toHorizontal = AngleDiff(s.angle, 0);
    const double toVertical = AngleDiff(s.angle, std::numbers::pi / 2);
    if (toHorizontal < kFrontalTolerance)
      horizontal.push_back(&s);
    else if (toVertical < kFrontalTolerance)
      vertical.push_back(&s);
    else if (toHorizontal > kRecedingMargin && toVertical > kRecedingMargin && !s.piece)
      receding.push_back(s);
  }
  std::optional<VanishingPoint> vp = FindVanishingPoint(receding, w, h);
  bool fromRings = false;
  // Few agreeing straight lines: a corridor with soft borders, whose point the rings of its
  // cross-sections show better.
  if (!vp || vp->Confidence < kWeakLines) {
    // From the smaller of the picture and the working picture: less to reduce, and no blur of
    // an enlargement.
    cv::Mat small;
    Resized(grey.cols < work.cols ? grey : work, kRingWorkSize).convertTo(small, CV_32F, 1.0 / 255);
    if (const std::optional<SurroundedPoint> ring = FindSurroundedPoint(small, grey.size());
        ring && ring->Share >= kMinRingShare && ring->Share > (vp ? vp->Confidence : 0)) {
      // The share of the energy that runs around the point is its confidence.
      vp = VanishingPoint{ring->Point, {}, std::min(1.0, ring->Share)};
      fromRings = true;
      for (const Segment& s : receding)
        if (AngleTo(s, ring->Point) < kInlierAngle) vp->Inliers.push_back(&s);
    }
  }
  if (!vp || vp->Confidence <= 0) return out;

  // A pixel inside the border, so that the rear wall has room on every side of the point.
  const double vx = std::clamp(vp->Point.x, 1.0, w - 2.0);
  const double vy = std::clamp(vp->Point.y, 1.0, h - 2.0);
  out.Confidence = vp->Confidence;
  for (const Segment* s : vp->Inliers) out.Lines.push_back(ToPictureLine(*s, h));

  // The rear wall: the strongest frontal lines near the point on each side (within 45 % of the
  // picture), else a third of the picture around the point. Rows from the top here.
  const double minLength = 0.05 * std::min(w, h);
  auto near = [&](const std::vector<const Segment*>& lines, bool horiz) {
    // Only frontal lines that reach across the point's column (or row) can bound the wall.
    std::vector<const Segment*> kept;
    for (const Segment* s : lines) {
      const double a = horiz ? std::min(s->a.x, s->b.x) : std::min(s->a.y, s->b.y);
      const double b = horiz ? std::max(s->a.x, s->b.x) : std::max(s->a.y, s->b.y);
      const double c = horiz ? vx : vy, reach = horiz ? 0.45 * w : 0.45 * h;
      if (b >= c - reach && a <= c + reach) kept.push_back(s);
    }
    return kept;
  };
  const std::vector<const Segment*> hs = near(horizontal, true), vs = near(vertical, false);
  // The receding lines end where the rear wall begins: the ends nearest the point, on each side
  // (floor, ceiling, left and right wall, told apart by the picture's diagonals through the
  // point), say roughly where each edge of the wall is; the strongest frontal line between
  // there and a little nearer to the point makes it exact. The 20 % of the ends nearest the
  // point decide, so that a few lines crossing the wall do not.
  std::vector<double> ends[4];  // distance from the point: top, bottom, left, right
  if (!fromRings) {
    for (const Segment* s : vp->Inliers) {
      const cv::Point2d v(vx, vy);
      const cv::Point2d e = cv::norm(s->a - v) < cv::norm(s->b - v) ? s->a : s->b;
      const double dx = e.x - vx, dy = e.y - vy;
      if (std::abs(dx) * h > std::abs(dy) * w)
        ends[dx < 0 ? 2 : 3].push_back(std::abs(dx));
      else
        ends[dy < 0 ? 0 : 1].push_back(std::abs(dy));
    }
  }
  std::optional<RecedingProfile> profile;
  if (!fromRings) {
    cv::Mat fine;  // the working picture: the tile rows near a rear wall are narrow
    work.convertTo(fine, CV_32F, 1.0 / 255);
    profile.emplace(fine, grey.size(), cv::Point2d(vx, vy));
  }
  std::vector<const Segment*> used;
  // One edge: side 0 top, 1 bottom, 2 left, 3 right; returns its signed offset from the point.
  auto edge = [&](int side) {
    const bool horiz = side < 2;
    const double dim = horiz ? h : w, sign = side % 2 == 0 ? -1 : 1;
    const double centre = horiz ? vy : vx;
    const double limit = sign < 0 ? centre : (horiz ? h - 1 : w - 1) - centre;
    double lo = 0.02 * dim, hi = std::min(limit, 0.45 * dim);
    std::optional<double> rough;
    if (std::vector<double>& d = ends[side]; d.size() >= 2) {
      const size_t k = d.size() / 5;
      std::nth_element(d.begin(), d.begin() + long(k), d.end());
      rough = std::min(d[k], limit);
      lo = std::max(lo, *rough - 0.25 * dim);
      hi = std::min(hi, *rough + 0.04 * dim);
    }
    const double a = sign < 0 ? centre - hi : centre + lo, b = sign < 0 ? centre - lo : centre + hi;
    // The lines near a point of rings are its arches and stalks, no wall: a third of the
    // picture around it.
    auto preference = [&](double p) {
      return profile->Step(side, std::abs(p - centre), 0.05 * dim);
    };
    if (const std::optional<Edge> e =
            fromRings ? std::nullopt
                      : StrongestEdge(horiz ? hs : vs, horiz, a, b, minLength, preference)) {
      used.insert(used.end(), e->Lines.begin(), e->Lines.end());
      return e->Position - centre;
    }
    if (rough) return sign * *rough;
    return sign * std::min(limit, dim / 6);  // a third of the picture around the point
  };
  const double topRow = vy + edge(0), bottomRow = vy + edge(1);
  const double leftCol = vx + edge(2), rightCol = vx + edge(3);
  for (const Segment* s : used) out.Lines.push_back(ToPictureLine(*s, h));

  out.VanishX = vx;
  out.VanishY = h - 1 - vy;
  out.InnerLeft = std::clamp(leftCol, 0.0, vx - 1);
  out.InnerRight = std::clamp(rightCol, vx + 1, w - 1.0);
  out.InnerTop = h - 1 - std::clamp(topRow, 0.0, vy - 1);
  out.InnerBottom = h - 1 - std::clamp(bottomRow, vy + 1, h - 1.0);
  return out;
}

}  // namespace glkov::vision
