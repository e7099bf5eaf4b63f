#include "core/animation/interpolation.h"

#include <array>
#include <climits>
#include <cmath>
#include <string>

#include "core/error.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

using Values = std::array<double, 9>;

Values ToValues(const TKeyFrame& k) {
  return {k.CamPos.x, k.CamPos.y, k.CamPos.z, k.CamDir.x, k.CamDir.y,
          k.CamDir.z, k.CamUp.x,  k.CamUp.y,  k.CamUp.z};
}

TCamera ToCamera(const Values& v) {
  return {{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
}

// a * x + b * y per value.
Values Mix(const Values& x, double a, const Values& y, double b) {
  Values r{};
  for (size_t i = 0; i < r.size(); ++i) r[i] = x[i] * a + y[i] * b;
  return r;
}

double Bezier1(double p0, double p1, double p2, double p3, double u) {
  const double v = 1 - u;
  return p0 * v * v * v + 3 * p1 * u * v * v + 3 * p2 * u * u * v + p3 * u * u * u;
}

Values BezierValues(const Values& s, const Values& k, const Values& e, double u) {
  Values r{};
  for (size_t i = 0; i < r.size(); ++i) r[i] = Bezier1(s[i], k[i], k[i], e[i], u);
  return r;
}

}  // namespace

Vec3 BezierPoint(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double u) {
  return {Bezier1(p0.x, p1.x, p2.x, p3.x, u), Bezier1(p0.y, p1.y, p2.y, p3.y, u),
          Bezier1(p0.z, p1.z, p2.z, p3.z, u)};
}

namespace {

// Moves (s, e) on to the segment that holds frame f, e being the frame that ends segment s; frames
// past the end stay in the last segment.
void FindSegment(int64_t f, const std::vector<int>& segmentFrames, size_t& s, int64_t& e) {
  while (f >= e && s + 1 < segmentFrames.size()) e += segmentFrames[++s];
}

// The camera of frame f in segment s, which ends at frame e (keys and counts already checked).
TCamera CameraInSegment(int64_t f, size_t s, int64_t e, const std::vector<TKeyFrame>& keys,
                        const std::vector<int>& segmentFrames, double p) {
  const size_t n = keys.size();
  const auto K = [&](size_t i) { return ToValues(keys[i]); };
  const auto L = [&](size_t i) { return static_cast<double>(segmentFrames[i]); };

  const double a = 0.5 - p / 2;
  const double b = 0.5 + p / 2;

  const double t = (static_cast<double>(f - e) + L(s)) / L(s);

  if ((s == 0 && t <= b) || (s == n - 2 && t >= a) || (a <= t && t <= b)) {
    return ToCamera(Mix(K(s), 1 - t, K(s + 1), t));
  }
  if (t < a) {
    // Corner at key s, coming from segment s - 1.
    const double u = (L(s) * t / a + L(s - 1)) / (L(s - 1) + L(s));
    const Values start = Mix(K(s - 1), a, K(s), b);
    const Values end = Mix(K(s + 1), a, K(s), b);
    return ToCamera(BezierValues(start, K(s), end, u));
  }
  // t > b: corner at key s + 1, going on into segment s + 1.
  const double u = ((t - b) * L(s) / a) / (L(s) + L(s + 1));
  const Values start = Mix(K(s), a, K(s + 1), b);
  const Values end = Mix(K(s + 2), a, K(s + 1), b);
  return ToCamera(BezierValues(start, K(s + 1), end, u));
}

}  // namespace

TCamera InterpolateCamera(int64_t f, const std::vector<TKeyFrame>& keys,
                          const std::vector<int>& segmentFrames, double p) {
  const size_t n = keys.size();
  if (n < 2) throw Error("A camera path needs at least two key frames.");
  if (segmentFrames.size() != n - 1) {
    throw Error("A camera path of " + std::to_string(n) + " key frames has " +
                std::to_string(n - 1) + " segments.");
  }
  for (int l : segmentFrames) {
    if (l < 1) throw Error("Every segment of a camera path needs at least one frame.");
  }
  int64_t e = segmentFrames[0];
  size_t s = 0;
  FindSegment(f, segmentFrames, s, e);
  return CameraInSegment(f, s, e, keys, segmentFrames, p);
}

std::vector<int> SegmentFrameCounts(int keyCount, int fpk, double master, bool preview) {
  if (keyCount < 2) throw Error("A camera path needs at least two key frames.");
  const double frames = static_cast<double>(fpk) * master / (preview ? 4.0 : 1.0);
  if (!std::isfinite(frames) || frames >= static_cast<double>(INT_MAX)) {
    throw Error("Too many frames per key frame: " + FormatG15(frames) + ".");
  }
  const int count = RoundHalfEven(frames);
  if (count < 1) {
    throw Error("The frames per key frame (" + std::to_string(fpk) + " x " + FormatG15(master) +
                (preview ? " / 4" : "") + ") give no frame between two key frames.");
  }
  return std::vector<int>(static_cast<size_t>(keyCount - 1), count);
}

std::vector<TCamera> PathFrameCameras(const std::vector<TKeyFrame>& keys,
                                      const std::vector<int>& segmentFrames, int smoothnessSlider) {
  int64_t total = 0;
  for (int l : segmentFrames) total += l;
  if (total + 1 > kMaxListedFrames) {
    throw Error("The camera path has " + std::to_string(total + 1) + " frames; at most " +
                std::to_string(kMaxListedFrames) + " can be listed.");
  }
  const double p = smoothnessSlider / 10.0;
  std::vector<TCamera> frames;
  frames.reserve(static_cast<size_t>(total + 1));
  // The first frame checks the path; the others walk the segments along instead of searching
  // them from the start for every frame.
  frames.push_back(InterpolateCamera(0, keys, segmentFrames, p));
  int64_t e = segmentFrames[0];
  size_t s = 0;
  for (int64_t f = 1; f <= total; ++f) {
    FindSegment(f, segmentFrames, s, e);
    frames.push_back(CameraInSegment(f, s, e, keys, segmentFrames, p));
  }
  return frames;
}

}  // namespace glkov
