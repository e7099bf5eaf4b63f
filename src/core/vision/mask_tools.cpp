#include "core/vision/mask_tools.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>
#include <opencv2/imgproc/segmentation.hpp>

#include "core/error.h"
#include "core/vision/cv_bridge.h"

namespace glkov::vision {
namespace {

MaskRect ClipTo(const MaskRect& r, int width, int height) {
  return MaskRect{std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, width - 1),
                  std::min(r.Bottom, height - 1)};
}

cv::Rect ToCv(const MaskRect& r) { return cv::Rect(r.Left, r.Top, r.Width(), r.Height()); }

MaskPoint Clamp(MaskPoint p, int width, int height) {
  return {std::clamp(p.X, 0, width - 1), std::clamp(p.Y, 0, height - 1)};
}

// The grey levels of a mask (its red byte) as a one-channel matrix.
cv::Mat RedChannel(const TFastBMP& mask) {
  cv::Mat red;
  cv::extractChannel(AsMat(mask), red, 2);
  return red;
}

void SetFromGrey(TFastBMP& mask, const cv::Mat& grey) {
  cv::merge(std::vector<cv::Mat>{grey, grey, grey}, AsMat(mask));
}

// A colour reduced to 32 levels a channel, as an index into a histogram.
int ColourBin(const cv::Vec3b& c) { return (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | (c[2] >> 3); }

// GrabCut's first guess for boards of flat colours: inside the box, a pixel whose colour is about
// as common in the ring around the box as inside it is probably background, one whose colour the
// ring hardly has is probably object. GrabCut's own guess (everything in the box is object) lets
// its colour models share the background's colours, which on flat colours keeps most of the box.
void SeedFromRingColours(const cv::Mat& image, const cv::Rect& inside, cv::Mat& labels) {
  std::vector<float> ring(1 << 15, 0.0f), box(1 << 15, 0.0f);
  int ringCount = 0, boxCount = 0;
  for (int y = 0; y < image.rows; ++y) {
    const cv::Vec3b* row = image.ptr<cv::Vec3b>(y);
    for (int x = 0; x < image.cols; ++x) {
      if (inside.contains(cv::Point(x, y))) {
        box[size_t(ColourBin(row[x]))] += 1;
        ++boxCount;
      } else {
        ring[size_t(ColourBin(row[x]))] += 1;
        ++ringCount;
      }
    }
  }
  // On photographs, noise and shading spread an object's colours into its surroundings: the test
  // grows more lenient until a fair part of the box is left as object, and gives way to GrabCut's
  // own guess when none is.
  labels(inside).setTo(cv::GC_PR_FGD);
  if (ringCount == 0 || boxCount == 0) return;
  for (const float ratio : {0.1f, 1.0f}) {
    int object = 0;
    for (int y = inside.y; y < inside.y + inside.height; ++y) {
      const cv::Vec3b* row = image.ptr<cv::Vec3b>(y);
      for (int x = inside.x; x < inside.x + inside.width; ++x) {
        const size_t bin = size_t(ColourBin(row[x]));
        object += ring[bin] / ringCount <= ratio * box[bin] / boxCount;
      }
    }
    if (object * 5 < boxCount) continue;
    for (int y = inside.y; y < inside.y + inside.height; ++y) {
      const cv::Vec3b* row = image.ptr<cv::Vec3b>(y);
      uint8_t* label = labels.ptr<uint8_t>(y);
      for (int x = inside.x; x < inside.x + inside.width; ++x) {
        const size_t bin = size_t(ColourBin(row[x]));
        const bool background = ring[bin] / ringCount > ratio * box[bin] / boxCount;
        label[x] = background ? cv::GC_PR_BGD : cv::GC_PR_FGD;
      }
    }
    return;
  }
}

}  // namespace

MaskRect Unite(const MaskRect& a, const MaskRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

TFastBMP NewMask(int width, int height) {
  if (width < 1 || height < 1) throw Error("A mask needs a picture of at least 1 x 1 pixels.");
  return TFastBMP(width, height);
}

MaskRect PaintStroke(TFastBMP& mask, MaskPoint a, MaskPoint b, int diameter, uint8_t value) {
  diameter = std::max(diameter, 1);
  const int r = diameter / 2 + 1;
  const MaskRect bounds = ClipTo(MaskRect{std::min(a.X, b.X) - r, std::min(a.Y, b.Y) - r,
                                          std::max(a.X, b.X) + r, std::max(a.Y, b.Y) + r},
                                 mask.Width(), mask.Height());
  if (bounds.Empty()) return bounds;
  // Only the stroke's own rectangle is handed to OpenCV: the cost follows the stroke, not the
  // picture.
  cv::Mat roi = AsMat(mask)(ToCv(bounds));
  const cv::Point pa(a.X - bounds.Left, a.Y - bounds.Top);
  const cv::Point pb(b.X - bounds.Left, b.Y - bounds.Top);
  // A thick line has round caps at both ends.
  cv::line(roi, pa, pb, cv::Scalar(value, value, value), diameter, cv::LINE_8);
  return bounds;
}

MaskRect FillPolygon(TFastBMP& mask, const std::vector<MaskPoint>& polygon, uint8_t value) {
  if (polygon.empty() || mask.Empty()) return {};
  std::vector<cv::Point> pts;
  pts.reserve(polygon.size());
  MaskRect bounds{polygon[0].X, polygon[0].Y, polygon[0].X, polygon[0].Y};
  for (const MaskPoint& p : polygon) {
    pts.emplace_back(p.X, p.Y);
    bounds = Unite(bounds, MaskRect{p.X, p.Y, p.X, p.Y});
  }
  bounds = ClipTo(bounds, mask.Width(), mask.Height());
  if (bounds.Empty()) return bounds;
  cv::Mat m = AsMat(mask);
  const cv::Scalar colour(value, value, value);
  // fillPoly fills the inside; the outline drawn over it adds the pixels on the edges, which
  // count as inside.
  cv::fillPoly(m, std::vector<std::vector<cv::Point>>{pts}, colour, cv::LINE_8);
  cv::polylines(m, std::vector<std::vector<cv::Point>>{pts}, true, colour, 1, cv::LINE_8);
  return bounds;
}

// --- snapping lasso ---

EdgeSnapper::EdgeSnapper(const TFastBMP& picture) : picture_(picture) {}
EdgeSnapper::~EdgeSnapper() = default;

std::vector<MaskPoint> EdgeSnapper::Path(MaskPoint a, MaskPoint b) const {
  const int w = picture_.Width(), h = picture_.Height();
  if (w < 1 || h < 1) return {};
  a = Clamp(a, w, h);
  b = Clamp(b, w, h);
  if (a == b) return {a};
  // The search runs in a window around both points: the shortest path across a large picture
  // rarely leaves it, and the cost of the map grows with the window's area.
  const int margin = std::max(16, std::max(std::abs(a.X - b.X), std::abs(a.Y - b.Y)) / 2);
  const MaskRect window = ClipTo(MaskRect{std::min(a.X, b.X) - margin, std::min(a.Y, b.Y) - margin,
                                          std::max(a.X, b.X) + margin, std::max(a.Y, b.Y) + margin},
                                 w, h);
  const cv::Mat roi = AsMat(picture_)(ToCv(window));
  cv::segmentation::IntelligentScissorsMB scissors;
  scissors.setEdgeFeatureCannyParameters(32, 100);
  scissors.setGradientMagnitudeMaxLimit(200);
  scissors.applyImage(roi);
  scissors.buildMap(cv::Point(a.X - window.Left, a.Y - window.Top));
  std::vector<cv::Point> contour;
  scissors.getContour(cv::Point(b.X - window.Left, b.Y - window.Top), contour);
  std::vector<MaskPoint> path;
  path.reserve(contour.size() + 2);
  // The contour runs from a to b; make sure of both ends whatever the order.
  for (const cv::Point& p : contour) path.push_back({p.x + window.Left, p.y + window.Top});
  if (path.empty() || path.front() != a) {
    if (!path.empty() && path.back() == a) std::reverse(path.begin(), path.end());
    if (path.empty() || path.front() != a) path.insert(path.begin(), a);
  }
  if (path.back() != b) path.push_back(b);
  return path;
}

std::vector<MaskPoint> EdgeSnapper::Outline(const std::vector<MaskPoint>& clicks) const {
  std::vector<MaskPoint> outline;
  const size_t n = clicks.size();
  for (size_t i = 0; i < n; ++i) {
    std::vector<MaskPoint> side = Path(clicks[i], clicks[(i + 1) % n]);
    if (!side.empty()) side.pop_back();  // the next side starts there
    outline.insert(outline.end(), side.begin(), side.end());
  }
  return outline;
}

// --- object selection ---

struct ObjectSelection::State {
  const TFastBMP& picture;
  SelectObjectOptions options;
  MaskRect area;   // the window GrabCut works in, picture pixels
  cv::Mat labels;  // GrabCut's labels over area (GC_BGD, GC_FGD, GC_PR_BGD, GC_PR_FGD)
  cv::Mat bgdModel, fgdModel;
  cv::Mat object;  // 255 where the object is, over area

  struct {
    cv::Mat labels, bgdModel, fgdModel;
  } settled;  // as they were when object was last made
  bool cancelled = false;
  int roundsDone = 0, roundsPlanned = 1;  // for the progress

  // GrabCut round by round: the first round in mode (which sets the models up), the others
  // re-estimating from the labels as cv::grabCut's own loop does. False when callbacks asked to
  // stop before the last round; the labels and models are then half-way and the object unchanged.
  bool Run(int mode, int iterations, const cv::Rect& rect, UiCallbacks& callbacks) {
    const cv::Mat image = AsMat(picture)(ToCv(area));
    for (int i = 0; i < iterations; ++i) {
      if (callbacks.AbortRequested()) return false;
      cv::grabCut(image, labels, rect, bgdModel, fgdModel, 1, i == 0 ? mode : cv::GC_EVAL);
      ++roundsDone;
      callbacks.Progress("Selecting object", std::min(100, 100 * roundsDone / roundsPlanned));
    }
    object = (labels & 1);  // GC_FGD and GC_PR_FGD are the odd labels
    object *= 255;
    if (!options.Plain) KeepMainParts();
    labels.copyTo(settled.labels);
    bgdModel.copyTo(settled.bgdModel);
    fgdModel.copyTo(settled.fgdModel);
    return true;
  }

  void Cancel() {
    cancelled = true;
    object = cv::Mat::zeros(area.Height(), area.Width(), CV_8U);
  }

  // GrabCut on flat colours leaves specks of background that share a board's colour; the object
  // is what is connected to its largest part, with the holes the background cannot reach closed.
  void KeepMainParts() {
    cv::Mat comp, stats, centroids;
    const int n = cv::connectedComponentsWithStats(object, comp, stats, centroids, 8, CV_32S);
    if (n <= 2) {
      FillHoles();
      return;
    }
    int largest = 0;
    for (int i = 1; i < n; ++i) largest = std::max(largest, stats.at<int>(i, cv::CC_STAT_AREA));
    cv::Mat keep = cv::Mat::zeros(object.size(), CV_8U);
    for (int i = 1; i < n; ++i) {
      // Parts marked surely object stay whatever their size.
      const bool big = stats.at<int>(i, cv::CC_STAT_AREA) * 5 >= largest;
      cv::Mat part = comp == i;
      const bool marked = cv::countNonZero(part & (labels == cv::GC_FGD)) > 0;
      if (big || marked) keep |= part;
    }
    object = keep;
    FillHoles();
  }

  void FillHoles() {
    // Background reachable from the area's border (or marked surely background) stays.
    cv::Mat outside(object.rows + 2, object.cols + 2, CV_8U, cv::Scalar(255));
    cv::Mat inner = outside(cv::Rect(1, 1, object.cols, object.rows));
    cv::bitwise_not(object, inner);
    cv::floodFill(outside, cv::Point(0, 0), cv::Scalar(128));
    const cv::Mat holes = (inner == 255) & (labels != cv::GC_BGD);
    object.setTo(255, holes);
  }
};

ObjectSelection::ObjectSelection(const TFastBMP& picture, MaskRect box,
                                 const SelectObjectOptions& options, UiCallbacks& callbacks)
    : state_(std::make_unique<State>(State{picture, options, {}, {}, {}, {}, {}, {}})) {
  const int w = picture.Width(), h = picture.Height();
  box = ClipTo(box, w, h);
  if (box.Empty() || box.Width() < 3 || box.Height() < 3) {
    throw Error("Drag a box of at least 3 x 3 pixels around the object.");
  }
  State& s = *state_;
  const int iterations = std::max(options.Iterations, 1);
  s.roundsPlanned = iterations;
  callbacks.Progress("Selecting object", 0);
  if (options.Plain) {
    s.area = MaskRect{0, 0, w - 1, h - 1};
    if (!s.Run(cv::GC_INIT_WITH_RECT, iterations, ToCv(box), callbacks)) s.Cancel();
    return;
  }
  // The colours just around the box describe the background better than the whole picture:
  // GrabCut works in the box and a ring of half its size around it, the ring surely background.
  const int margin = std::max(8, std::max(box.Width(), box.Height()) / 2);
  s.area = ClipTo(
      MaskRect{box.Left - margin, box.Top - margin, box.Right + margin, box.Bottom + margin}, w, h);
  s.labels = cv::Mat(s.area.Height(), s.area.Width(), CV_8U, cv::Scalar(cv::GC_BGD));
  const cv::Rect inside(box.Left - s.area.Left, box.Top - s.area.Top, box.Width(), box.Height());
  // The box's own frame lies outside the object.
  const cv::Rect core(inside.x + 1, inside.y + 1, inside.width - 2, inside.height - 2);
  const cv::Mat image = AsMat(picture)(ToCv(s.area));
  SeedFromRingColours(image, core, s.labels);
  if (!s.Run(cv::GC_INIT_WITH_MASK, iterations, cv::Rect(), callbacks)) {
    s.Cancel();
    return;
  }
  if (cv::countNonZero(s.object) * 50 < core.area()) {
    // Next to objects like it (a tree in a row of trees) the ring explains the object's colours
    // too and leaves almost nothing: GrabCut from the box over the whole picture instead, whose
    // background model is not dominated by them.
    s.area = MaskRect{0, 0, w - 1, h - 1};
    s.labels.release();
    s.bgdModel.release();
    s.fgdModel.release();
    s.roundsPlanned += iterations;
    if (!s.Run(cv::GC_INIT_WITH_RECT, iterations, ToCv(box), callbacks)) s.Cancel();
  }
}

ObjectSelection::~ObjectSelection() = default;

void ObjectSelection::Mark(MaskPoint a, MaskPoint b, int diameter, bool object) {
  State& s = *state_;
  const cv::Point pa(a.X - s.area.Left, a.Y - s.area.Top);
  const cv::Point pb(b.X - s.area.Left, b.Y - s.area.Top);
  const cv::Scalar label(object ? cv::GC_FGD : cv::GC_BGD);
  cv::line(s.labels, pa, pb, label, std::max(diameter, 1), cv::LINE_8);
}

bool ObjectSelection::Update(UiCallbacks& callbacks) {
  State& s = *state_;
  if (s.cancelled) return false;
  const int iterations = std::max(2, s.options.Iterations / 2);
  s.roundsDone = 0;
  s.roundsPlanned = iterations;
  callbacks.Progress("Selecting object", 0);
  if (s.Run(cv::GC_EVAL, iterations, cv::Rect(), callbacks)) return true;
  // Stopped: back to the labels and models of the last result, without the marks since.
  s.settled.labels.copyTo(s.labels);
  s.settled.bgdModel.copyTo(s.bgdModel);
  s.settled.fgdModel.copyTo(s.fgdModel);
  return false;
}

bool ObjectSelection::Cancelled() const { return state_->cancelled; }

MaskRect ObjectSelection::Area() const { return state_->area; }

TFastBMP ObjectSelection::Result() const {
  TFastBMP out(state_->picture.Width(), state_->picture.Height());
  AddTo(out);
  return out;
}

MaskRect ObjectSelection::AddTo(TFastBMP& mask) const {
  const State& s = *state_;
  if (mask.Width() != s.picture.Width() || mask.Height() != s.picture.Height()) {
    throw Error("The mask and the picture differ in size.");
  }
  cv::Mat target = AsMat(mask)(ToCv(s.area));
  target.setTo(cv::Scalar(255, 255, 255), s.object);
  return s.area;
}

// --- whole-mask tools ---

bool FeatherMask(TFastBMP& mask, int width, UiCallbacks& callbacks) {
  if (width < 0) throw Error("The feather width cannot be negative.");
  if (width == 0 || mask.Empty()) return true;
  const cv::Mat red = RedChannel(mask);
  // Only distances up to width / 2 from the edge matter (further pixels are pure black or
  // white), so a band of rows needs only that many rows more on either side to come out as on
  // the whole mask. Bands let the work report progress and stop part-way.
  const int reach = width / 2 + 2;
  const int bandRows = std::max(64, 4 * reach);
  cv::Mat grey(red.size(), CV_8U);
  callbacks.Progress("Feathering", 0);
  for (int top = 0; top < red.rows; top += bandRows) {
    if (callbacks.AbortRequested()) return false;
    const int bottom = std::min(red.rows, top + bandRows);  // exclusive
    const int from = std::max(0, top - reach), to = std::min(red.rows, bottom + reach);
    const cv::Mat rows = red.rowRange(from, to);
    const cv::Mat inside = rows >= 128;
    const cv::Mat outside = rows < 128;
    // Distance of every pixel to the nearest pixel of the other side; a pixel next to the edge
    // is one away, so the edge itself lies at half a pixel.
    cv::Mat dIn, dOut;
    cv::distanceTransform(inside, dIn, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    cv::distanceTransform(outside, dOut, cv::DIST_L2, cv::DIST_MASK_PRECISE);
    // Signed distance to the edge: dIn - 0.5 inside, 0.5 - dOut outside.
    cv::Mat signedDistance = dIn - 0.5;
    cv::Mat outsideDistance = 0.5 - dOut;
    outsideDistance.copyTo(signedDistance, outside);
    cv::Mat band;
    signedDistance.rowRange(top - from, bottom - from).convertTo(band, CV_8U, 255.0 / width, 127.5);
    band.copyTo(grey.rowRange(top, bottom));
    callbacks.Progress("Feathering", int(int64_t(100) * bottom / red.rows));
  }
  if (callbacks.AbortRequested()) return false;
  SetFromGrey(mask, grey);
  return true;
}

void ClearMask(TFastBMP& mask) {
  if (!mask.Empty()) AsMat(mask).setTo(cv::Scalar(0, 0, 0));
}

void InvertMask(TFastBMP& mask) {
  if (mask.Empty()) return;
  cv::Mat m = AsMat(mask);
  cv::bitwise_not(m, m);
}

void UniteMasks(TFastBMP& a, const TFastBMP& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) {
    throw Error("The masks differ in size.");
  }
  if (a.Empty()) return;
  cv::Mat ma = AsMat(a);
  cv::max(ma, AsMat(b), ma);
}

void DrawMaskOverlay(const TFastBMP& picture, const TFastBMP& mask, MaskRect rect, bool bareMask,
                     TFastBMP& view) {
  if (view.Width() != picture.Width() || view.Height() != picture.Height()) {
    view.SetSize(picture.Width(), picture.Height());
    rect = MaskRect{0, 0, picture.Width() - 1, picture.Height() - 1};
  }
  rect = ClipTo(rect, std::min(picture.Width(), mask.Width()),
                std::min(picture.Height(), mask.Height()));
  // The layer's colour (blue, green, red) and its opacity at full mask weight, in 256ths.
  constexpr int kLayer[3] = {255, 40, 170};  // violet, apart from most objects' colours
  constexpr int kOpacity = 128;
  for (int y = rect.Top; y <= rect.Bottom; ++y) {
    const uint8_t* p = picture.Pixel(rect.Left, y);
    const uint8_t* m = mask.Pixel(rect.Left, y);
    uint8_t* v = view.Pixel(rect.Left, y);
    const int n = 3 * rect.Width();
    if (bareMask) {
      std::copy(m, m + n, v);
      continue;
    }
    for (int i = 0; i < n; i += 3) {
      const int a = (m[i + 2] * kOpacity) >> 8;  // 0..127
      for (int c = 0; c < 3; ++c) {
        v[i + c] = static_cast<uint8_t>((p[i + c] * (256 - a) + kLayer[c] * a) >> 8);
      }
    }
  }
}

int64_t CountMaskPixels(const TFastBMP& mask) {
  if (mask.Empty()) return 0;
  return cv::countNonZero(RedChannel(mask) >= 128);
}

}  // namespace glkov::vision
