#include "core/vision/patch_fill.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <opencv2/imgproc.hpp>
#include <opencv2/photo.hpp>

namespace glkov::vision {

namespace {

constexpr int kR = 3;  // patch radius: 7 x 7 patches
constexpr int kPatchBytes = (2 * kR + 1) * (2 * kR + 1) * 3;
// Channels of a level: blue, green, red and the texture of the luma (mean absolute horizontal and
// vertical gradient around the pixel). The texture channels carry the fine picture's detail to
// the coarse levels, where the colours alone are smooth, so that a smooth patch does not stand in
// for a textured one.
constexpr int kCh = 5;
constexpr int kTextureWeight = 2;

// One level of the pyramid, padded by kR ignored pixels on every side so that every patch around
// a picture pixel lies inside the matrices.
struct Level {
  int w = 0;  // padded size
  int h = 0;
  cv::Mat img;                 // CV_8UC(kCh)
  cv::Mat hole;                // CV_8U, 0 or 1
  cv::Mat known;               // CV_8U, 0 or 1
  cv::Mat def;                 // CV_8U: hole or known (the pixels a distance counts)
  std::vector<uint8_t> srcOk;  // per centre: the whole patch is known
  std::vector<int> srcList;    // the centres with srcOk, for random starts
  std::vector<int> targets;    // centres whose patch touches the hole, raster order
  std::vector<int> nnf;        // per centre: index of the source centre (targets only)
  std::vector<int> dist;       // per centre: the patch distance to its source
};

// Halves an unpadded level: a coarse pixel is hole when any of its fine pixels is, known when all
// are known and none is a hole; its colour is the mean of its known fine pixels.
void Downsample(const cv::Mat& img, const cv::Mat& hole, const cv::Mat& known, cv::Mat& cimg,
                cv::Mat& chole, cv::Mat& cknown) {
  const int w = (img.cols + 1) / 2;
  const int h = (img.rows + 1) / 2;
  cimg.create(h, w, CV_8UC(kCh));
  chole.create(h, w, CV_8U);
  cknown.create(h, w, CV_8U);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      int sum[kCh] = {};
      int all[kCh] = {};
      int n = 0;
      int count = 0;
      bool anyHole = false;
      bool allKnown = true;
      for (int dy = 0; dy < 2; ++dy) {
        const int fy = 2 * y + dy;
        if (fy >= img.rows) continue;
        for (int dx = 0; dx < 2; ++dx) {
          const int fx = 2 * x + dx;
          if (fx >= img.cols) continue;
          const uint8_t* p = img.ptr<uint8_t>(fy) + kCh * fx;
          for (int c = 0; c < kCh; ++c) all[c] += p[c];
          ++count;
          anyHole |= hole.at<uint8_t>(fy, fx) != 0;
          if (known.at<uint8_t>(fy, fx)) {
            for (int c = 0; c < kCh; ++c) sum[c] += p[c];
            ++n;
          } else {
            allKnown = false;
          }
        }
      }
      uint8_t* q = cimg.ptr<uint8_t>(y) + kCh * x;
      for (int c = 0; c < kCh; ++c)
        q[c] = static_cast<uint8_t>(n > 0 ? (sum[c] + n / 2) / n : (all[c] + count / 2) / count);
      chole.at<uint8_t>(y, x) = anyHole ? 1 : 0;
      cknown.at<uint8_t>(y, x) = (allKnown && !anyHole) ? 1 : 0;
    }
  }
}

void Prepare(Level& L, const cv::Mat& img, const cv::Mat& hole, const cv::Mat& known) {
  cv::copyMakeBorder(img, L.img, kR, kR, kR, kR, cv::BORDER_REPLICATE);
  cv::copyMakeBorder(hole, L.hole, kR, kR, kR, kR, cv::BORDER_CONSTANT, 0);
  cv::copyMakeBorder(known, L.known, kR, kR, kR, kR, cv::BORDER_CONSTANT, 0);
  L.w = L.img.cols;
  L.h = L.img.rows;
  L.def = L.hole | L.known;

  cv::Mat ok;
  cv::erode(L.known, ok, cv::getStructuringElement(cv::MORPH_RECT, {2 * kR + 1, 2 * kR + 1}),
            {-1, -1}, 1, cv::BORDER_CONSTANT, 0);
  cv::Mat near;
  cv::dilate(L.hole, near, cv::getStructuringElement(cv::MORPH_RECT, {2 * kR + 1, 2 * kR + 1}));
  const size_t n = static_cast<size_t>(L.w) * static_cast<size_t>(L.h);
  L.srcOk.assign(n, 0);
  L.nnf.assign(n, -1);
  L.dist.assign(n, 0);
  for (int y = kR; y < L.h - kR; ++y) {
    for (int x = kR; x < L.w - kR; ++x) {
      const int i = y * L.w + x;
      if (ok.at<uint8_t>(y, x)) {
        L.srcOk[static_cast<size_t>(i)] = 1;
        L.srcList.push_back(i);
      }
      if (near.at<uint8_t>(y, x)) L.targets.push_back(i);
    }
  }
}

// Sum of squared differences over the pixels of target patch t that count; stops early once
// the sum reaches cutoff.
int Distance(const Level& L, int t, int s, int cutoff) {
  const int tx = t % L.w, ty = t / L.w, sx = s % L.w, sy = s / L.w;
  int sum = 0;
  for (int dy = -kR; dy <= kR; ++dy) {
    const uint8_t* a = L.img.ptr<uint8_t>(ty + dy) + kCh * (tx - kR);
    const uint8_t* b = L.img.ptr<uint8_t>(sy + dy) + kCh * (sx - kR);
    const uint8_t* d = L.def.ptr<uint8_t>(ty + dy) + (tx - kR);
    for (int dx = 0; dx <= 2 * kR; ++dx, a += kCh, b += kCh) {
      if (!d[dx]) continue;
      const int e0 = a[0] - b[0], e1 = a[1] - b[1], e2 = a[2] - b[2], e3 = a[3] - b[3],
                e4 = a[4] - b[4];
      sum += e0 * e0 + e1 * e1 + e2 * e2 + kTextureWeight * (e3 * e3 + e4 * e4);
    }
    if (sum >= cutoff) return sum;
  }
  return sum;
}

void ComputeDistances(Level& L) {
  for (const int t : L.targets)
    L.dist[static_cast<size_t>(t)] = Distance(L, t, L.nnf[static_cast<size_t>(t)], INT32_MAX);
}

void PatchMatchPass(Level& L, bool forward, std::mt19937& rng) {
  const int n = static_cast<int>(L.targets.size());
  const int maxRadius = std::max(L.w, L.h);
  auto tryCandidate = [&](int t, int s) {
    if (s < 0 || s >= L.w * L.h || !L.srcOk[static_cast<size_t>(s)]) return;
    int& best = L.dist[static_cast<size_t>(t)];
    if (s == L.nnf[static_cast<size_t>(t)]) return;
    const int d = Distance(L, t, s, best);
    if (d < best) {
      best = d;
      L.nnf[static_cast<size_t>(t)] = s;
    }
  };
  const int dir = forward ? 1 : -1;
  for (int k = 0; k < n; ++k) {
    const int t = L.targets[static_cast<size_t>(forward ? k : n - 1 - k)];
    // Propagation: the neighbour's source shifted by one, from the side already visited.
    for (const int offset : {dir, dir * L.w}) {
      const int nb = t - offset;
      const int ns = L.nnf[static_cast<size_t>(nb)];
      if (ns >= 0) tryCandidate(t, ns + offset);
    }
    // Random search around the current best in shrinking windows.
    const int best = L.nnf[static_cast<size_t>(t)];
    const int bx = best % L.w, by = best / L.w;
    for (int radius = maxRadius; radius >= 1; radius /= 2) {
      std::uniform_int_distribution<int> off(-radius, radius);
      const int x = std::clamp(bx + off(rng), kR, L.w - 1 - kR);
      const int y = std::clamp(by + off(rng), kR, L.h - 1 - kR);
      tryCandidate(t, y * L.w + x);
    }
  }
}

// Every hole pixel becomes the weighted mean of what the patches covering it propose; a patch's
// weight falls with its distance (uniform when weighted is false).
void Vote(Level& L, bool weighted) {
  std::vector<float> weight(L.targets.size(), 1.0f);
  if (weighted && !L.targets.empty()) {
    std::vector<int> d;
    d.reserve(L.targets.size());
    for (const int t : L.targets) d.push_back(L.dist[static_cast<size_t>(t)]);
    // The scale of the weights: the first quartile of the distances, so that the best-fitting
    // patches decide and the texture stays sharp.
    auto q = d.begin() + static_cast<std::ptrdiff_t>(d.size() / 4);
    std::nth_element(d.begin(), q, d.end());
    const double sigma2 = std::max(1.0, *q / double(kPatchBytes));
    for (size_t k = 0; k < L.targets.size(); ++k) {
      const double e = L.dist[static_cast<size_t>(L.targets[k])] / double(kPatchBytes);
      weight[k] = static_cast<float>(std::exp(-e / (2 * sigma2)) + 1e-6);
    }
  }
  const size_t n = static_cast<size_t>(L.w) * static_cast<size_t>(L.h);
  std::vector<float> acc((kCh + 1) * n, 0.0f);
  for (size_t k = 0; k < L.targets.size(); ++k) {
    const int t = L.targets[k];
    const int s = L.nnf[static_cast<size_t>(t)];
    const int tx = t % L.w, ty = t / L.w, sx = s % L.w, sy = s / L.w;
    const float wk = weight[k];
    for (int dy = -kR; dy <= kR; ++dy) {
      const uint8_t* hole = L.hole.ptr<uint8_t>(ty + dy);
      const uint8_t* src = L.img.ptr<uint8_t>(sy + dy);
      for (int dx = -kR; dx <= kR; ++dx) {
        if (!hole[tx + dx]) continue;
        float* a = &acc[(kCh + 1) * (static_cast<size_t>(ty + dy) * static_cast<size_t>(L.w) +
                                     static_cast<size_t>(tx + dx))];
        const uint8_t* p = src + kCh * (sx + dx);
        for (int c = 0; c < kCh; ++c) a[c] += wk * p[c];
        a[kCh] += wk;
      }
    }
  }
  for (int y = 0; y < L.h; ++y) {
    const uint8_t* hole = L.hole.ptr<uint8_t>(y);
    uint8_t* out = L.img.ptr<uint8_t>(y);
    for (int x = 0; x < L.w; ++x) {
      if (!hole[x]) continue;
      const float* a = &acc[(kCh + 1) * (static_cast<size_t>(y) * static_cast<size_t>(L.w) +
                                         static_cast<size_t>(x))];
      if (a[kCh] <= 0) continue;
      for (int c = 0; c < kCh; ++c)
        out[kCh * x + c] = static_cast<uint8_t>(std::clamp(a[c] / a[kCh] + 0.5f, 0.0f, 255.0f));
    }
  }
}

// The colour and texture channels of a BGR picture.
cv::Mat WithTexture(const cv::Mat& bgr) {
  cv::Mat grey, gx, gy;
  cv::cvtColor(bgr, grey, cv::COLOR_BGR2GRAY);
  cv::Sobel(grey, gx, CV_16S, 1, 0);
  cv::Sobel(grey, gy, CV_16S, 0, 1);
  cv::Mat tx, ty;
  cv::convertScaleAbs(gx, tx, 0.5);
  cv::convertScaleAbs(gy, ty, 0.5);
  cv::blur(tx, tx, {3, 3});
  cv::blur(ty, ty, {3, 3});
  std::vector<cv::Mat> ch;
  cv::split(bgr, ch);
  ch.push_back(tx);
  ch.push_back(ty);
  cv::Mat out;
  cv::merge(ch, out);
  return out;
}

int RandomSource(const Level& L, std::mt19937& rng) {
  std::uniform_int_distribution<size_t> pick(0, L.srcList.size() - 1);
  return L.srcList[pick(rng)];
}

// The fine level's starting field: each target takes its coarse cell's source, doubled.
void Upsample(const Level& coarse, Level& fine, std::mt19937& rng) {
  for (const int t : fine.targets) {
    const int ux = t % fine.w - kR, uy = t / fine.w - kR;
    const int ci = (uy / 2 + kR) * coarse.w + (ux / 2 + kR);
    int s = -1;
    const int cs = coarse.nnf[static_cast<size_t>(ci)];
    if (cs >= 0) {
      const int sx = 2 * (cs % coarse.w - kR) + (ux & 1) + kR;
      const int sy = 2 * (cs / coarse.w - kR) + (uy & 1) + kR;
      if (sx >= kR && sx < fine.w - kR && sy >= kR && sy < fine.h - kR &&
          fine.srcOk[static_cast<size_t>(sy * fine.w + sx)])
        s = sy * fine.w + sx;
    }
    fine.nnf[static_cast<size_t>(t)] = s >= 0 ? s : RandomSource(fine, rng);
  }
}

}  // namespace

bool PatchFill(cv::Mat& image, const cv::Mat& hole, const cv::Mat& known,
               const std::function<bool(double)>& progress) {
  CV_Assert(image.type() == CV_8UC3 && hole.type() == CV_8U && known.type() == CV_8U);
  cv::Mat hole01 = hole != 0;
  hole01 &= 1;
  cv::Mat known01 = (known != 0) & (hole == 0);
  known01 &= 1;
  if (cv::countNonZero(hole01) == 0) return true;

  // Enough levels that the widest part of the hole is a few pixels at the coarsest.
  cv::Mat distance;
  cv::distanceTransform(hole01 == 0, distance, cv::DIST_L2, 3);
  double maxDist = 0;
  cv::minMaxLoc(distance, nullptr, &maxDist);
  std::vector<cv::Mat> imgs{WithTexture(image)}, holes{hole01}, knowns{known01};
  while (maxDist > 3 && std::min(imgs.back().cols, imgs.back().rows) >= 8 * kR) {
    cv::Mat ci, ch, ck;
    Downsample(imgs.back(), holes.back(), knowns.back(), ci, ch, ck);
    imgs.push_back(ci);
    holes.push_back(ch);
    knowns.push_back(ck);
    maxDist /= 2;
  }
  std::vector<Level> levels(imgs.size());
  for (size_t l = 0; l < imgs.size(); ++l) Prepare(levels[l], imgs[l], holes[l], knowns[l]);
  // Start at the coarsest level that still has complete known patches to copy.
  size_t top = levels.size();
  while (top > 0 && levels[top - 1].srcList.empty()) --top;
  if (top == 0) {
    cv::inpaint(image, hole01, image, 3, cv::INPAINT_TELEA);
    return true;
  }
  levels.resize(top);

  auto emIterations = [&](size_t l) { return l + 1 == top ? 8 : (l == 0 ? 2 : 4); };
  double totalWork = 0;
  for (size_t l = 0; l < top; ++l) totalWork += double(levels[l].targets.size()) * emIterations(l);
  double done = 0;

  std::mt19937 rng(12345);
  for (size_t l = top; l-- > 0;) {
    Level& L = levels[l];
    if (l + 1 == top) {
      // Coarsest: a diffusion start and random sources.
      cv::Mat inner = L.img(cv::Rect(kR, kR, L.w - 2 * kR, L.h - 2 * kR));
      cv::Mat innerHole = L.hole(cv::Rect(kR, kR, L.w - 2 * kR, L.h - 2 * kR));
      std::vector<cv::Mat> ch;
      cv::split(inner, ch);
      cv::Mat colour, texture, filledColour, filledTexture;
      cv::merge(std::vector<cv::Mat>{ch[0], ch[1], ch[2]}, colour);
      cv::merge(std::vector<cv::Mat>{ch[3], ch[4], ch[4]}, texture);
      cv::inpaint(colour, innerHole, filledColour, 3, cv::INPAINT_TELEA);
      cv::inpaint(texture, innerHole, filledTexture, 3, cv::INPAINT_TELEA);
      std::vector<cv::Mat> fc, ft;
      cv::split(filledColour, fc);
      cv::split(filledTexture, ft);
      cv::merge(std::vector<cv::Mat>{fc[0], fc[1], fc[2], ft[0], ft[1]}, inner);
      for (const int t : L.targets) L.nnf[static_cast<size_t>(t)] = RandomSource(L, rng);
      // The first search sees only the known pixels around the hole, so that the smooth start
      // does not draw smooth sources.
      const cv::Mat def = L.def;
      L.def = L.known.clone();
      ComputeDistances(L);
      for (int pass = 0; pass < 4; ++pass) PatchMatchPass(L, pass % 2 == 0, rng);
      L.def = def;
      Vote(L, true);
    } else {
      Upsample(levels[l + 1], L, rng);
      Vote(L, false);
      levels[l + 1] = Level();  // the coarse level is no longer needed
    }
    const int iterations = emIterations(l);
    const int passes = l == 0 ? 1 : 2;
    for (int it = 0; it < iterations; ++it) {
      ComputeDistances(L);
      for (int pass = 0; pass < passes; ++pass) PatchMatchPass(L, (it + pass) % 2 == 0, rng);
      Vote(L, true);
      done += double(L.targets.size());
      if (progress && !progress(done / totalWork)) return false;
    }
  }
  // The last word at full resolution: each hole pixel from the centre of its own patch's source,
  // which keeps the copied texture as sharp as its source.
  Level& fine = levels[0];
  {
    ComputeDistances(fine);
    PatchMatchPass(fine, true, rng);
    cv::Mat copy = fine.img.clone();
    for (const int t : fine.targets) {
      if (!fine.hole.data[t]) continue;
      const size_t s = static_cast<size_t>(fine.nnf[static_cast<size_t>(t)]);
      std::copy_n(fine.img.data + kCh * s, 3, copy.data + kCh * static_cast<size_t>(t));
    }
    fine.img = copy;
  }
  cv::Mat result;
  cv::Mat inner = fine.img(cv::Rect(kR, kR, image.cols, image.rows));
  cv::mixChannels(std::vector<cv::Mat>{inner},
                  std::vector<cv::Mat>{result = cv::Mat(image.size(), CV_8UC3)},
                  std::vector<int>{0, 0, 1, 1, 2, 2});
  result.copyTo(image, hole01);
  return true;
}

}  // namespace glkov::vision
