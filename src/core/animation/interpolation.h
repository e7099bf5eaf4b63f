#pragma once

// The camera of every movie frame between the keys of a path: straight lines between the keys,
// corners at the keys rounded with cubic Bezier arcs.

#include <cstdint>
#include <vector>

#include "core/animation/timeline.h"
#include "core/model/types.h"

namespace glkov {

// Per component: P0 (1 - u)^3 + 3 P1 u (1 - u)^2 + 3 P2 u^2 (1 - u) + P3 u^3.
Vec3 BezierPoint(const Vec3& p0, const Vec3& p1, const Vec3& p2, const Vec3& p3, double u);

// The camera for frame f (0-based within the path). segmentFrames[i] (positive) is the number of
// frames from key i to key i + 1; smoothness p is 0 ("Curved") to 1 ("Zig-Zag"). Every key
// contributes its values, recorded or not; direction and up are not normalised.
// Throws glkov::Error for fewer than two keys, a count list of the wrong length or a count
// below one.
TCamera InterpolateCamera(int64_t f, const std::vector<TKeyFrame>& keys,
                          const std::vector<int>& segmentFrames, double p);

// The export's frame count per segment: Round(fpk x master / D), D = 4 for a preview and 1
// otherwise, the same for each of the keyCount - 1 segments. Throws glkov::Error when that count
// is below one or too large.
std::vector<int> SegmentFrameCounts(int keyCount, int fpk, double master, bool preview);

// Largest number of frames PathFrameCameras returns in one list.
inline constexpr int64_t kMaxListedFrames = 10'000'000;

// The cameras of frames 0 .. sum of segmentFrames inclusive, as the export asks for them;
// smoothnessSlider is the "Camera Path Smoothness" position 0 .. 10. Throws glkov::Error as
// InterpolateCamera does, and for more than kMaxListedFrames frames.
std::vector<TCamera> PathFrameCameras(const std::vector<TKeyFrame>& keys,
                                      const std::vector<int>& segmentFrames, int smoothnessSlider);

}  // namespace glkov
