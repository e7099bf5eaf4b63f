#include "core/vision/background_fill.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

#include "core/error.h"
#include "core/model/project.h"
#include "core/vision/cv_bridge.h"
#include "core/vision/patch_fill.h"

namespace glkov {

namespace {

using vision::AsMat;

constexpr uint16_t kUnassigned = 0xFFFF;
constexpr int kPlanes = 5;  // floor, right wall, left wall, ceiling, rear wall
constexpr int kRear = 4;
// Largest front view of one hole, in pixels; bigger holes are filled at a lower resolution.
constexpr double kMaxViewPixels = 4.0e6;
// Depths that are copied from on a floor, a ceiling or a side wall: from the hole's nearest
// depth divided by this to its furthest times this.
constexpr double kDepthBand = 1.25;
// Largest picture the preview diffuses in; bigger pictures are diffused at a reduced size.
constexpr double kMaxPreviewPixels = 0.25e6;

const std::string kStage = "Filling background...";

void CheckPictures(const TFastBMP& original, const TFastBMP& mask) {
  if (original.Empty()) throw Error("There is no original picture to fill.");
  if (mask.Empty()) throw Error("There is no mask picture that says what to fill.");
  if (mask.Width() != original.Width() || mask.Height() != original.Height()) {
    throw Error("The mask picture (" + std::to_string(mask.Width()) + " x " +
                std::to_string(mask.Height()) + ") is not the size of the original picture (" +
                std::to_string(original.Width()) + " x " + std::to_string(original.Height()) +
                ").");
  }
}

// The grown mask as an 8-bit matrix of 0 and 255.
cv::Mat HoleMat(const TFastBMP& mask, const FillOptions& options) {
  if (mask.Empty()) throw Error("There is no mask picture that says what to fill.");
  cv::Mat red;
  cv::extractChannel(AsMat(mask), red, 2);
  cv::Mat hole = red > options.Threshold;
  const int g = std::max(0, options.Grow);
  if (g > 0) {
    cv::dilate(hole, hole, cv::getStructuringElement(cv::MORPH_ELLIPSE, {2 * g + 1, 2 * g + 1}));
  }
  return hole;
}

// The mapping of one plane of one mesh: picture pixel (column, row) to its front view (a, b),
// homogeneous: (a k, b k, k) = H (column, row, 1).
struct PlaneMap {
  cv::Matx33d H = cv::Matx33d::eye();
  bool Outer = false;  // a floor, ceiling or side wall: the area scale is F / |k|^3
  double F = 1;
  // The extent of the plane in (a, b); the picture part of it is narrowed by sampling.
  double A0 = -1e300, A1 = 1e300, B0 = -1e300, B1 = 1e300;
};

// The plane of a sub-scene pixel (x, y up), or -1 when on none.
int PlaneAt(const FillMesh& m, double x, double y) {
  const double Vx = m.VanishX, Vy = m.VanishY;
  if (x >= m.InnerLeft && x <= m.InnerRight && y >= m.InnerBottom && y <= m.InnerTop) return kRear;
  if (y < m.InnerBottom && Vy > m.InnerBottom) {
    const double u = (x - Vx) / (Vy - y);
    if (u >= (m.InnerLeft - Vx) / (Vy - m.InnerBottom) &&
        u <= (m.InnerRight - Vx) / (Vy - m.InnerBottom))
      return 0;
  }
  if (y > m.InnerTop && Vy < m.InnerTop) {
    const double u = (x - Vx) / (y - Vy);
    if (u >= (m.InnerLeft - Vx) / (m.InnerTop - Vy) && u <= (m.InnerRight - Vx) / (m.InnerTop - Vy))
      return 3;
  }
  if (x > m.InnerRight && Vx < m.InnerRight) {
    const double u = (y - Vy) / (x - Vx);
    if (u >= (m.InnerBottom - Vy) / (m.InnerRight - Vx) &&
        u <= (m.InnerTop - Vy) / (m.InnerRight - Vx))
      return 1;
  }
  if (x < m.InnerLeft && Vx > m.InnerLeft) {
    const double u = (y - Vy) / (Vx - x);
    if (u >= (m.InnerBottom - Vy) / (Vx - m.InnerLeft) &&
        u <= (m.InnerTop - Vy) / (Vx - m.InnerLeft))
      return 2;
  }
  return -1;
}

// Floor and ceiling: a = (x - Vx) / k, b = F / k with k the height from the horizon; the side walls
// the same with x and y exchanged. Both are lengths on the plane over the eye's distance from it,
// so the front view keeps the plane's proportions.
PlaneMap MapOf(const FillMesh& m, int plane, double F) {
  const cv::Matx33d toMesh(1, 0, -m.Left, 0, -1, m.Bottom, 0, 0, 1);
  const double Vx = m.VanishX, Vy = m.VanishY;
  PlaneMap pm;
  pm.F = F;
  pm.Outer = plane != kRear;
  cv::Matx33d h = cv::Matx33d::eye();
  switch (plane) {
    case 0:
      h = cv::Matx33d(1, 0, -Vx, 0, 0, F, 0, -1, Vy);
      pm.A0 = (m.InnerLeft - Vx) / (Vy - m.InnerBottom);
      pm.A1 = (m.InnerRight - Vx) / (Vy - m.InnerBottom);
      pm.B1 = F / (Vy - m.InnerBottom);
      break;
    case 3:
      h = cv::Matx33d(1, 0, -Vx, 0, 0, F, 0, 1, -Vy);
      pm.A0 = (m.InnerLeft - Vx) / (m.InnerTop - Vy);
      pm.A1 = (m.InnerRight - Vx) / (m.InnerTop - Vy);
      pm.B1 = F / (m.InnerTop - Vy);
      break;
    case 1:
      h = cv::Matx33d(0, 1, -Vy, 0, 0, F, 1, 0, -Vx);
      pm.A0 = (m.InnerBottom - Vy) / (m.InnerRight - Vx);
      pm.A1 = (m.InnerTop - Vy) / (m.InnerRight - Vx);
      pm.B1 = F / (m.InnerRight - Vx);
      break;
    case 2:
      h = cv::Matx33d(0, 1, -Vy, 0, 0, F, -1, 0, Vx);
      pm.A0 = (m.InnerBottom - Vy) / (Vx - m.InnerLeft);
      pm.A1 = (m.InnerTop - Vy) / (Vx - m.InnerLeft);
      pm.B1 = F / (Vx - m.InnerLeft);
      break;
    default:
      pm.A0 = m.InnerLeft;
      pm.A1 = m.InnerRight;
      pm.B0 = m.InnerBottom;
      pm.B1 = m.InnerTop;
      break;
  }
  pm.H = h * toMesh;
  return pm;
}

// Plane labels of every pixel: 0 on no plane, 1 + 5 k + p on plane p of mesh k; with the extent of
// each label's pixels in its front view (sampled every few pixels).
struct PlaneLabels {
  cv::Mat Labels;                  // CV_16U
  std::vector<PlaneMap> Maps;      // index label - 1
  std::vector<cv::Rect2d> Extent;  // index label - 1; empty when never seen
};

PlaneLabels LabelPlanes(int width, int height, const FillGeometry& g) {
  PlaneLabels out;
  out.Labels.create(height, width, CV_16U);
  out.Labels.setTo(kUnassigned);
  const size_t meshes = std::min<size_t>(g.Meshes.size(), (kUnassigned - 1) / kPlanes);
  const bool outerOk = g.FocalLength > 0 && std::isfinite(g.FocalLength);
  std::vector<std::array<double, 4>> box(meshes * kPlanes, {1e300, -1e300, 1e300, -1e300});
  for (size_t k = 0; k < meshes; ++k) {
    const FillMesh& m = g.Meshes[k];
    for (int p = 0; p < kPlanes; ++p) out.Maps.push_back(MapOf(m, p, g.FocalLength));
    const int left = std::max(m.Left, 0), right = std::min(m.Right, width - 1);
    const int top = std::max(m.Top, 0), bottom = std::min(m.Bottom, height - 1);
    const bool finite = std::isfinite(m.InnerLeft) && std::isfinite(m.InnerRight) &&
                        std::isfinite(m.InnerTop) && std::isfinite(m.InnerBottom) &&
                        std::isfinite(m.VanishX) && std::isfinite(m.VanishY);
    for (int row = top; row <= bottom; ++row) {
      uint16_t* lab = out.Labels.ptr<uint16_t>(row);
      for (int col = left; col <= right; ++col) {
        if (lab[col] != kUnassigned) continue;
        int p = finite ? PlaneAt(m, col - m.Left, m.Bottom - row) : -1;
        if (p >= 0 && p != kRear && !outerOk) p = -1;
        if (p < 0) {
          lab[col] = 0;
          continue;
        }
        const size_t label = k * kPlanes + static_cast<size_t>(p);
        lab[col] = static_cast<uint16_t>(label + 1);
        if (row % 4 == 0 && col % 4 == 0) {
          const cv::Vec3d v = out.Maps[label].H * cv::Vec3d(col, row, 1);
          auto& b = box[label];
          const double a = v[0] / v[2], bb = v[1] / v[2];
          b[0] = std::min(b[0], a);
          b[1] = std::max(b[1], a);
          b[2] = std::min(b[2], bb);
          b[3] = std::max(b[3], bb);
        }
      }
    }
  }
  out.Labels.setTo(0, out.Labels == kUnassigned);
  for (const auto& b : box) {
    out.Extent.push_back(b[0] <= b[1] ? cv::Rect2d(b[0], b[2], b[1] - b[0], b[3] - b[2])
                                      : cv::Rect2d());
  }
  return out;
}

// The pixels of one hole on one plane.
struct Unit {
  int Label = 0;
  std::vector<cv::Point> Pixels;
  cv::Rect Box;                                             // in the picture
  double A0 = 1e300, A1 = -1e300, B0 = 1e300, B1 = -1e300;  // front-view extent
  double AreaUnits = 0;                                     // front-view area of the pixels
};

std::vector<Unit> SplitHoles(const cv::Mat& hole, const PlaneLabels& planes) {
  cv::Mat components;
  cv::connectedComponents(hole, components, 8, CV_32S);
  std::unordered_map<int64_t, size_t> index;
  std::vector<Unit> units;
  const int64_t labelCount = static_cast<int64_t>(planes.Maps.size()) + 1;
  for (int row = 0; row < hole.rows; ++row) {
    const uint8_t* h = hole.ptr<uint8_t>(row);
    const int* c = components.ptr<int>(row);
    const uint16_t* lab = planes.Labels.ptr<uint16_t>(row);
    for (int col = 0; col < hole.cols; ++col) {
      if (!h[col]) continue;
      const int64_t key = c[col] * labelCount + lab[col];
      auto [it, inserted] = index.try_emplace(key, units.size());
      if (inserted) {
        units.emplace_back();
        units.back().Label = lab[col];
      }
      Unit& u = units[it->second];
      u.Pixels.emplace_back(col, row);
      double a = col, b = row, area = 1;
      if (lab[col] > 0) {
        const PlaneMap& pm = planes.Maps[lab[col] - 1u];
        const cv::Vec3d v = pm.H * cv::Vec3d(col, row, 1);
        a = v[0] / v[2];
        b = v[1] / v[2];
        if (pm.Outer) area = pm.F / std::pow(std::fabs(v[2]), 3);
      }
      u.A0 = std::min(u.A0, a);
      u.A1 = std::max(u.A1, a);
      u.B0 = std::min(u.B0, b);
      u.B1 = std::max(u.B1, b);
      u.AreaUnits += area;
    }
  }
  for (Unit& u : units) u.Box = cv::boundingRect(u.Pixels);
  std::sort(units.begin(), units.end(),
            [](const Unit& x, const Unit& y) { return x.Pixels.size() > y.Pixels.size(); });
  return units;
}

// Fills one unit into result: its front view around the hole is cut from the original, filled
// with patches of the same plane and warped back over the unit's pixels.
bool FillUnit(const Unit& u, const cv::Mat& original, const cv::Mat& hole,
              const PlaneLabels& planes, cv::Mat& result,
              const std::function<bool(double)>& progress) {
  cv::Matx33d H = cv::Matx33d::eye();
  double s = 1;
  bool outer = false;
  double A0 = u.A0, A1 = u.A1, B0 = u.B0, B1 = u.B1;
  cv::Rect2d extent(0, 0, original.cols - 1, original.rows - 1);
  if (u.Label > 0) {
    const PlaneMap& pm = planes.Maps[static_cast<size_t>(u.Label - 1)];
    H = pm.H;
    outer = pm.Outer;
    s = std::sqrt(double(u.Pixels.size()) / std::max(u.AreaUnits, 1e-300));
    const cv::Rect2d& e = planes.Extent[static_cast<size_t>(u.Label - 1)];
    const double slack = 4 / s;
    const double x0 = std::max(pm.A0, e.x - slack), x1 = std::min(pm.A1, e.x + e.width + slack);
    const double y0 = std::max(pm.B0, e.y - slack), y1 = std::min(pm.B1, e.y + e.height + slack);
    extent = cv::Rect2d(x0, y0, x1 - x0, y1 - y0);
  }
  // A margin of about the hole's size on every side to copy from. On a floor, a ceiling or a side
  // wall b is the depth: patches much nearer or further away were taken at another resolution,
  // so the margin in depth is kept within a quarter of the hole's own depths.
  const double margin = 1.5 * std::max(A1 - A0, B1 - B0) + 12 / s;
  double marginB0 = margin, marginB1 = margin;
  if (outer) {
    marginB0 = std::min(margin, std::max(B0 - B0 / kDepthBand, 12 / s));
    marginB1 = std::min(margin, std::max(B1 * kDepthBand - B1, 12 / s));
  }
  const double w0 = std::max(A0 - margin, std::min(A0, extent.x));
  const double w1 = std::min(A1 + margin, std::max(A1, extent.x + extent.width));
  const double h0 = std::max(B0 - marginB0, std::min(B0, extent.y));
  const double h1 = std::min(B1 + marginB1, std::max(B1, extent.y + extent.height));
  double cols = (w1 - w0) * s + 1, rows = (h1 - h0) * s + 1;
  if (cols * rows > kMaxViewPixels) {
    const double f = std::sqrt(kMaxViewPixels / (cols * rows));
    s *= f;
    cols = (w1 - w0) * s + 1;
    rows = (h1 - h0) * s + 1;
  }
  const cv::Size view(std::max(1, static_cast<int>(std::ceil(cols))),
                      std::max(1, static_cast<int>(std::ceil(rows))));
  const cv::Matx33d M = cv::Matx33d(s, 0, -w0 * s, 0, s, -h0 * s, 0, 0, 1) * H;
  const cv::Matx33d Minv = M.inv();

  // The part of the picture the view shows.
  std::vector<cv::Point2f> corners;
  for (const cv::Point2d c : {cv::Point2d(0, 0), cv::Point2d(view.width, 0),
                              cv::Point2d(view.width, view.height), cv::Point2d(0, view.height)}) {
    const cv::Vec3d v = Minv * cv::Vec3d(c.x, c.y, 1);
    const double x = std::clamp(v[0] / v[2], -1.0, original.cols + 1.0);
    const double y = std::clamp(v[1] / v[2], -1.0, original.rows + 1.0);
    corners.emplace_back(static_cast<float>(x), static_cast<float>(y));
  }
  cv::Rect area = cv::boundingRect(corners);
  area.x -= 2;
  area.y -= 2;
  area.width += 4;
  area.height += 4;
  area &= cv::Rect(0, 0, original.cols, original.rows);
  area |= u.Box;
  const cv::Matx33d shift(1, 0, area.x, 0, 1, area.y, 0, 0, 1);
  const cv::Matx33d Ma = M * shift;

  // Known: on the same plane and no hole, with every pixel a bilinear sample touches.
  cv::Mat usable = (planes.Labels(area) == u.Label) & (hole(area) == 0);
  cv::Mat img, known;
  cv::warpPerspective(original(area), img, Ma, view, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  cv::warpPerspective(usable, known, Ma, view, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
  known = known == 255;

  cv::Mat unitMask = cv::Mat::zeros(u.Box.size(), CV_8U);
  for (const cv::Point& p : u.Pixels) unitMask.at<uint8_t>(p.y - u.Box.y, p.x - u.Box.x) = 255;
  const cv::Matx33d Mu = M * cv::Matx33d(1, 0, u.Box.x, 0, 1, u.Box.y, 0, 0, 1);
  cv::Mat target;
  cv::warpPerspective(unitMask, target, Mu, view, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0);
  cv::dilate(target > 0, target, cv::Mat::ones(3, 3, CV_8U));
  target &= known == 0;

  if (!vision::PatchFill(img, target, known, progress)) return false;

  cv::Mat back;
  cv::warpPerspective(img, back, Mu, u.Box.size(), cv::INTER_CUBIC | cv::WARP_INVERSE_MAP,
                      cv::BORDER_REPLICATE);
  back.copyTo(result(u.Box), unitMask);
  return true;
}

}  // namespace

FillGeometry FillGeometryOf(const TProject& project) {
  FillGeometry g;
  g.FocalLength = project.FocalLength;
  const int working = WorkingRegionIndex(project);
  for (size_t k = 1; k < project.MeshRegions.size(); ++k) {
    const TMeshRegion& r = project.MeshRegions[k];
    FillMesh m{r.Left,       r.Top,         r.Right,    r.Bottom,  r.InnerLeft,
               r.InnerRight, r.InnerBottom, r.InnerTop, r.VanishX, r.VanishY};
    if (static_cast<int>(k) == working) {
      m.InnerLeft = project.InnerLeft;
      m.InnerRight = project.InnerRight;
      m.InnerBottom = project.InnerBottom;
      m.InnerTop = project.InnerTop;
      m.VanishX = project.VanishX;
      m.VanishY = project.VanishY;
    }
    g.Meshes.push_back(m);
  }
  return g;
}

std::vector<uint8_t> FillHoleMask(const TFastBMP& mask, const FillOptions& options) {
  const cv::Mat hole = HoleMat(mask, options);
  std::vector<uint8_t> out(hole.total());
  for (int row = 0; row < hole.rows; ++row) {
    const uint8_t* h = hole.ptr<uint8_t>(row);
    for (int col = 0; col < hole.cols; ++col)
      out[static_cast<size_t>(row) * static_cast<size_t>(hole.cols) + static_cast<size_t>(col)] =
          h[col] ? 1 : 0;
  }
  return out;
}

FillResult FillBackgroundPreview(const TFastBMP& original, const TFastBMP& mask,
                                 const FillOptions& options) {
  CheckPictures(original, mask);
  const cv::Mat hole = HoleMat(mask, options);
  FillResult r;
  r.HolePixels = cv::countNonZero(hole);
  r.Background = original;
  cv::Mat out = AsMat(r.Background);
  if (r.HolePixels == 0) return r;
  const cv::Mat src = AsMat(original);
  const double pixels = double(src.cols) * src.rows;
  if (pixels <= kMaxPreviewPixels) {
    cv::Mat filled;
    cv::inpaint(src, hole, filled, 3, cv::INPAINT_TELEA);
    filled.copyTo(out, hole);
    return r;
  }
  const double f = std::sqrt(kMaxPreviewPixels / pixels);
  const cv::Size small(std::max(1, static_cast<int>(src.cols * f)),
                       std::max(1, static_cast<int>(src.rows * f)));
  cv::Mat smallImg, smallHole, filled, big;
  cv::resize(src, smallImg, small, 0, 0, cv::INTER_AREA);
  cv::resize(hole, smallHole, small, 0, 0, cv::INTER_AREA);
  smallHole = smallHole > 0;
  cv::inpaint(smallImg, smallHole, filled, 3, cv::INPAINT_TELEA);
  cv::resize(filled, big, src.size(), 0, 0, cv::INTER_LINEAR);
  big.copyTo(out, hole);
  return r;
}

FillResult FillBackground(const TFastBMP& original, const TFastBMP& mask,
                          const FillGeometry& geometry, const FillOptions& options,
                          UiCallbacks& ui) {
  CheckPictures(original, mask);
  ui.Progress(kStage, 0);
  const cv::Mat hole = HoleMat(mask, options);
  FillResult r;
  r.HolePixels = cv::countNonZero(hole);
  r.Background = original;
  if (r.HolePixels == 0) {
    ui.Progress(kStage, 100);
    return r;
  }
  const cv::Mat src = AsMat(original);
  cv::Mat out = AsMat(r.Background);
  const PlaneLabels planes = LabelPlanes(src.cols, src.rows, geometry);
  const std::vector<Unit> units = SplitHoles(hole, planes);

  // Units are filled by worker threads, largest first; this thread reports progress and passes
  // an abort request on.
  const size_t n = units.size();
  auto fraction = std::make_unique<std::atomic<double>[]>(n);
  for (size_t i = 0; i < n; ++i) fraction[i] = 0;
  std::atomic<size_t> next{0};
  std::atomic<bool> cancel{false};
  std::atomic<int> running{0};
  std::mutex lock;
  std::condition_variable finished;
  std::exception_ptr failure;
  auto work = [&] {
    for (;;) {
      const size_t i = next++;
      if (i >= n || cancel) break;
      try {
        const bool done = FillUnit(units[i], src, hole, planes, out, [&](double f) {
          fraction[i] = f;
          return !cancel.load();
        });
        if (!done) cancel = true;
        fraction[i] = 1;
      } catch (...) {
        std::lock_guard<std::mutex> g(lock);
        if (!failure) failure = std::current_exception();
        cancel = true;
      }
    }
    std::lock_guard<std::mutex> g(lock);
    --running;
    finished.notify_all();
  };
  const unsigned threads = std::max(
      1u, std::min<unsigned>(std::thread::hardware_concurrency(), static_cast<unsigned>(n)));
  running = static_cast<int>(threads);
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) workers.emplace_back(work);
  bool userStop = false;
  for (;;) {
    double done = 0;
    for (size_t i = 0; i < n; ++i) done += fraction[i] * double(units[i].Pixels.size());
    ui.Progress(kStage, static_cast<int>(100 * done / double(r.HolePixels)));
    ui.PumpEvents();
    if (!userStop && ui.AbortRequested()) {
      ui.ClearAbortRequest();
      userStop = true;
      cancel = true;
    }
    std::unique_lock<std::mutex> g(lock);
    if (finished.wait_for(g, std::chrono::milliseconds(50), [&] { return running == 0; })) break;
  }
  for (std::thread& t : workers) t.join();
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (const Error&) {
      throw;
    } catch (const std::exception& e) {
      throw Error(std::string("The background could not be filled: ") + e.what());
    }
  }
  if (cancel) {
    r.Background = TFastBMP();
    r.Cancelled = true;
    return r;
  }
  // Only the holes change, whatever a warp did at their edges.
  src.copyTo(out, hole == 0);
  ui.Progress(kStage, 100);
  return r;
}

FillResult FillProjectBackground(const TProject& project, const FillOptions& options,
                                 UiCallbacks& ui) {
  return FillBackground(project.IOriginal, project.IMask, FillGeometryOf(project), options, ui);
}

}  // namespace glkov
