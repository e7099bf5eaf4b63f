#include "core/animation/camera_presets.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/animation/interpolation.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/scene/renderer.h"
#include "core/util/text_format.h"

namespace glkov {

namespace {

struct PresetInfo {
  CameraPreset Preset;
  const char* Name;
  const char* CliName;
};

constexpr std::array<PresetInfo, 10> kPresets = {{
    {CameraPreset::DollyIn, "Dolly In", "dolly-in"},
    {CameraPreset::DollyOut, "Dolly Out", "dolly-out"},
    {CameraPreset::TruckLeft, "Truck Left", "truck-left"},
    {CameraPreset::TruckRight, "Truck Right", "truck-right"},
    {CameraPreset::PanLeft, "Pan Left", "pan-left"},
    {CameraPreset::PanRight, "Pan Right", "pan-right"},
    {CameraPreset::CraneUp, "Crane Up", "crane-up"},
    {CameraPreset::Orbit, "Orbit", "orbit"},
    {CameraPreset::WalkThrough, "Walk Through", "walk-through"},
    {CameraPreset::KenBurns, "Ken Burns", "ken-burns"},
}};

constexpr std::array<const char*, 4> kEasingNames = {"Linear", "Ease In", "Ease Out",
                                                     "Ease In and Out"};
constexpr std::array<const char*, 4> kEasingCliNames = {"linear", "in", "out", "in-out"};

const PresetInfo& Info(CameraPreset preset) {
  return kPresets[static_cast<size_t>(preset)];  // the table is in enum order
}

Vec3 Add(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 Scale(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalized(const Vec3& a) {
  const double n = std::sqrt(Dot(a, a));
  return n > 0 ? Scale(a, 1 / n) : a;
}

// The view direction turned by yaw to the left (radians) and tilted up by pitch.
Vec3 Direction(double yaw, double pitch) {
  return {-std::sin(yaw) * std::cos(pitch), std::sin(pitch), -std::cos(yaw) * std::cos(pitch)};
}

double Smoothstep(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

constexpr double kDegree = std::numbers::pi / 180;

// Most frames one flight may have (ten minutes at 200 frames a second).
constexpr int kMaxPresetFrames = 120'000;

// The made scene as the flights see it: the box (from the rear wall's board), the boards' front
// edges, the eye and the view's border rays in camera space (x right, y up, z = -1 ahead).
class Room {
 public:
  explicit Room(const TProject& p) : project_(p) {
    const TBoard& rear = p.Boards[4];
    const double grow = 1 / p.SceneScale;  // the boards stand one picture pixel wider
    const auto [xl, xr] = std::minmax_element(rear.X.begin(), rear.X.end());
    const auto [yb, yt] = std::minmax_element(rear.Y.begin(), rear.Y.end());
    XL = *xl + grow;
    XR = *xr - grow;
    Floor = *yb + grow;
    Ceiling = *yt - grow;
    Rear = rear.Z[0];
    Width = XR - XL;
    Eye = {0, p.EyeHeight, p.EyeDistance};
    const double m = kPresetWallMargin * Width;
    // The allowed positions; an eye that already stands closer to a wall than the margin may
    // stay where it is, but no move brings the camera closer still. The rear wall keeps at least
    // twice the near plane's distance, which oblique rays would otherwise cut it at.
    // Nor does a flight go deeper than 85 % of the way from the eye: the rear wall's texels
    // spread over the whole frame there.
    const double rearMargin = std::max({m, 2 * kFrustumNear, 0.15 * (Eye.z - Rear)});
    Lo = {std::min(XL + m, Eye.x), std::min(Floor + m, Eye.y), std::min(Rear + rearMargin, Eye.z)};
    Hi = {std::max(XR - m, Eye.x), std::max(Ceiling - m, Eye.y), 1e300};
    MakeBorderRays();
    // Where the boards do not quite reach the picture's border (rounded mesh corners), the
    // photograph's own view falls short by as much; no frame of a flight may fall shorter.
    slack_ = Shortfall({Eye, {0, 0, -1}, {0, 1, 0}});
    slack_ = slack_ < 0.1 * Width ? slack_ + 1e-9 : 1e-9;
  }

  // The frame seen from the camera shows the boards everywhere (its border rays all meet one),
  // or at least no less of them than the photograph's own view does.
  bool FrameFull(const TCamera& c) const { return Shortfall(c) <= slack_; }

  bool Inside(const Vec3& p, double eps = 1e-9) const {
    return p.x >= Lo.x - eps && p.x <= Hi.x + eps && p.y >= Lo.y - eps && p.y <= Hi.y + eps &&
           p.z >= Lo.z - eps;
  }

  // The stretch [first, last] of distances f >= 0 for which p + f u lies inside the allowed
  // box; first > last when there is none.
  std::pair<double, double> Reach(const Vec3& p, const Vec3& u) const {
    double first = 0, last = 1e300;
    const auto limit = [&](double pos, double dir, double lo, double hi) {
      if (std::fabs(dir) < 1e-12) {
        if (pos < lo - 1e-9 || pos > hi + 1e-9) first = 1e300, last = 0;
        return;
      }
      const double a = (lo - pos) / dir, b = (hi - pos) / dir;
      first = std::max(first, std::min(a, b));
      last = std::min(last, std::max(a, b));
    };
    limit(p.x, u.x, Lo.x, Hi.x);
    limit(p.y, u.y, Lo.y, Hi.y);
    limit(p.z, u.z, Lo.z, Hi.z);
    return {first, last};
  }

  double XL = 0, XR = 0, Floor = 0, Ceiling = 0, Rear = 0, Width = 0;
  Vec3 Eye, Lo, Hi;

 private:
  void MakeBorderRays() {
    // The frame of the desktop's view is the whole picture, the movie's the viewing window:
    // the flight must fill both.
    RenderSwitches s;
    std::optional<FrustumWindow> w = ProjectionValues(project_, s);
    s.SeeVWClip = true;
    if (const std::optional<FrustumWindow> v = ProjectionValues(project_, s)) {
      if (!w) w = v;
      w->Left = std::min(w->Left, v->Left);
      w->Right = std::max(w->Right, v->Right);
      w->Bottom = std::min(w->Bottom, v->Bottom);
      w->Top = std::max(w->Top, v->Top);
    }
    if (!w) throw Error("The camera presets need a made scene with a view of some size.");
    // The window lies at the near plane; the rays' directions at distance 1.
    const double l = w->Left / kFrustumNear, r = w->Right / kFrustumNear;
    const double b = w->Bottom / kFrustumNear, t = w->Top / kFrustumNear;
    constexpr int kSteps = 24;
    for (int i = 0; i < kSteps; ++i) {
      const double a = static_cast<double>(i) / kSteps;
      rays_.push_back({l + (r - l) * a, b});
      rays_.push_back({r, b + (t - b) * a});
      rays_.push_back({r - (r - l) * a, t});
      rays_.push_back({l, t - (t - b) * a});
    }
  }

  // How far in front of the boards' front edges the frame's border rays leave the box at most
  // (0 when they all meet a board; a huge value when one leaves it backwards or meets a board
  // so close that the near plane cuts it away).
  double Shortfall(const TCamera& c) const {
    const Vec3 f = Normalized(c.CamDir);
    const Vec3 r = Normalized(Cross(f, c.CamUp));
    const Vec3 u = Cross(r, f);
    double worst = 0;
    for (const auto& [x, y] : rays_) {
      worst = std::max(worst, RayShortfall(c.CamPos, Add(f, Add(Scale(r, x), Scale(u, y)))));
    }
    return worst;
  }

  // The ray from o (inside the box's cross-section) along d leaves the box through the rear
  // wall (0), or through a wall, the floor or the ceiling at a depth; returns how far that lies
  // in front of the board's front edge (0 when behind it).
  double RayShortfall(const Vec3& o, const Vec3& d) const {
    constexpr double kNever = 1e300;
    const auto exit = [](double pos, double dir, double lo, double hi) {
      return dir > 1e-12 ? (hi - pos) / dir : dir < -1e-12 ? (lo - pos) / dir : kNever;
    };
    const double tx = exit(o.x, d.x, XL, XR);
    const double ty = exit(o.y, d.y, Floor, Ceiling);
    const double tz = d.z < -1e-12 ? (Rear - o.z) / d.z : kNever;
    const double t = std::min({tx, ty, tz});
    // d's component along the view is 1, so t is also the depth the near plane clips at; a
    // little more keeps the wall clear of it.
    if (t >= kNever || t < 1.2 * kFrustumNear) return kNever;
    if (t == tz) return 0;
    const Vec3 p = Add(o, Scale(d, t));
    const double front = t == tx ? FrontZ(d.x > 0 ? 1 : 2, p.y) : FrontZ(d.y > 0 ? 3 : 0, p.x);
    return std::max(0.0, p.z - front);
  }

  // The depth of board b's front edge (from corner 3 to corner 2) at u, the board's coordinate
  // across the depth: x on the floor and ceiling, y on the walls.
  double FrontZ(size_t b, double u) const {
    const TBoard& board = project_.Boards[b];
    const bool wall = b == 1 || b == 2;
    const double u2 = wall ? board.Y[2] : board.X[2];
    const double u3 = wall ? board.Y[3] : board.X[3];
    if (std::fabs(u2 - u3) < 1e-12) return std::min(board.Z[2], board.Z[3]);
    return board.Z[3] + (board.Z[2] - board.Z[3]) * (u - u3) / (u2 - u3);
  }

  const TProject& project_;
  std::vector<std::pair<double, double>> rays_;
  double slack_ = 0;
};

// One pose of a move before it is made safe: the camera, and the direction in which it goes
// forward when the frame needs it to.
struct Pose {
  TCamera Camera;
  Vec3 Push{0, 0, -1};
};

// The move of a preset at progress lambda (0 .. 1) and strength s.
Pose PresetPose(const Room& room, CameraPreset preset, double s, double lambda) {
  const Vec3 eye = room.Eye;
  const double depth = std::max(0.0, eye.z - room.Lo.z);  // eye to the rear wall's margin
  const double m = kPresetWallMargin * room.Width;
  const double toLeft = std::max(0.0, eye.x - (room.XL + m));
  const double toRight = std::max(0.0, room.XR - m - eye.x);
  const double toCeiling = std::max(0.0, room.Ceiling - m - eye.y);
  // +1 when the room holds more space right of the eye than left of it.
  const double openSide = toRight > toLeft ? 1.0 : -1.0;
  Pose pose;
  TCamera& c = pose.Camera;
  c.CamPos = eye;
  c.CamDir = {0, 0, -1};
  c.CamUp = {0, 1, 0};
  switch (preset) {
    case CameraPreset::DollyIn:
      c.CamPos.z -= 0.8 * depth * s * lambda;
      break;
    case CameraPreset::DollyOut:
      c.CamPos.z -= 0.8 * depth * s * (1 - lambda);
      break;
    case CameraPreset::TruckLeft:
      c.CamPos.x -= 0.6 * toLeft * s * lambda;
      break;
    case CameraPreset::TruckRight:
      c.CamPos.x += 0.6 * toRight * s * lambda;
      break;
    case CameraPreset::PanLeft:
      c.CamDir = Direction(40 * kDegree * s * lambda, 0);
      break;
    case CameraPreset::PanRight:
      c.CamDir = Direction(-40 * kDegree * s * lambda, 0);
      break;
    case CameraPreset::CraneUp:
      c.CamPos.y += 0.7 * toCeiling * s * lambda;
      // Looks down a little as it rises, towards the foot of the rear wall.
      c.CamDir = Direction(0, -std::atan2(0.5 * (c.CamPos.y - eye.y), eye.z - room.Rear));
      break;
    case CameraPreset::Orbit: {
      // Around the vertical through the middle of the rear wall, towards the more open side,
      // turning so that the camera keeps facing the axis as it did at the start.
      const Vec3 centre{(room.XL + room.XR) / 2, eye.y, room.Rear};
      const double a = openSide * 35 * kDegree * s * lambda;
      const Vec3 r = Sub(eye, centre);
      c.CamPos = {centre.x + r.x * std::cos(a) + r.z * std::sin(a), eye.y,
                  centre.z - r.x * std::sin(a) + r.z * std::cos(a)};
      c.CamDir = Direction(a, 0);
      pose.Push = Normalized(Sub(centre, c.CamPos));
      break;
    }
    case CameraPreset::WalkThrough:
      c.CamPos.z -= 0.6 * depth * s * lambda;
      c.CamDir = Direction(-openSide * 30 * kDegree * s * Smoothstep((lambda - 0.45) / 0.55), 0);
      break;
    case CameraPreset::KenBurns:
      c.CamPos.z -= 0.35 * depth * s * lambda;
      c.CamPos.x += openSide * 0.06 * room.Width * s * lambda;
      c.CamPos.y += 0.03 * room.Width * s * lambda;
      break;
  }
  return pose;
}

// The pose made safe: gone forward along its push direction just far enough for a full frame,
// with a little to spare for the frames between the keys. Empty when no position in reach gives
// a full frame.
std::optional<TCamera> SafeCamera(const Room& room, const Pose& pose) {
  const TCamera& c = pose.Camera;
  if (room.Inside(c.CamPos) && room.FrameFull(c)) return c;
  const auto [first, last] = room.Reach(c.CamPos, pose.Push);
  if (!(first <= last)) return std::nullopt;
  const auto at = [&](double f) {
    TCamera moved = c;
    moved.CamPos = Add(c.CamPos, Scale(pose.Push, f));
    return moved;
  };
  if (!room.FrameFull(at(last))) return std::nullopt;
  double lo = first, hi = last;
  if (room.FrameFull(at(lo))) return at(lo);
  for (int i = 0; i < 30; ++i) {
    const double mid = (lo + hi) / 2;
    (room.FrameFull(at(mid)) ? hi : lo) = mid;
  }
  return at(std::min(last, hi + 0.05 * (hi - first) + 0.005 * room.Width));
}

// The times (0 .. 1) of the keys along the move: eased, and there and back for a loop.
std::vector<double> KeyProgress(const PresetOptions& o, int segments) {
  std::vector<double> lambda;
  const int out = o.ReturnToStart ? segments / 2 : segments;
  for (int i = 0; i <= out; ++i) lambda.push_back(EaseProgress(o.Easing, double(i) / out));
  if (o.ReturnToStart) {
    for (int i = out - 1; i >= 0; --i) lambda.push_back(lambda[static_cast<size_t>(i)]);
  }
  return lambda;
}

// The keys at strength s, or empty when one of them cannot be made safe.
std::vector<TKeyFrame> FlightKeys(const Room& room, const PresetOptions& o, double s,
                                  const std::vector<double>& lambda) {
  std::vector<TKeyFrame> keys;
  for (const double l : lambda) {
    const std::optional<TCamera> c = SafeCamera(room, PresetPose(room, o.Preset, s, l));
    if (!c) return {};
    keys.push_back({true, c->CamPos, c->CamDir, c->CamUp});
  }
  return keys;
}

// Every frame of the export between the keys stays inside with a full frame.
bool FramesSafe(const Room& room, const std::vector<TKeyFrame>& keys, int fpk, int smoothness) {
  const std::vector<int> segments(keys.size() - 1, fpk);
  for (const TCamera& c : PathFrameCameras(keys, segments, smoothness)) {
    if (!room.Inside(c.CamPos, 1e-6) || !room.FrameFull(c)) return false;
  }
  return true;
}

}  // namespace

const std::vector<CameraPreset>& AllCameraPresets() {
  static const std::vector<CameraPreset> all = [] {
    std::vector<CameraPreset> v;
    for (const PresetInfo& i : kPresets) v.push_back(i.Preset);
    return v;
  }();
  return all;
}

std::string PresetName(CameraPreset preset) { return Info(preset).Name; }
std::string PresetCliName(CameraPreset preset) { return Info(preset).CliName; }

std::optional<CameraPreset> PresetFromCliName(const std::string& name) {
  for (const PresetInfo& i : kPresets) {
    if (name == i.CliName) return i.Preset;
  }
  return std::nullopt;
}

std::string EasingName(PresetEasing easing) { return kEasingNames[static_cast<size_t>(easing)]; }
std::string EasingCliName(PresetEasing easing) {
  return kEasingCliNames[static_cast<size_t>(easing)];
}

std::optional<PresetEasing> EasingFromCliName(const std::string& name) {
  for (size_t i = 0; i < kEasingCliNames.size(); ++i) {
    if (name == kEasingCliNames[i]) return static_cast<PresetEasing>(i);
  }
  return std::nullopt;
}

double EaseProgress(PresetEasing easing, double t) {
  t = std::clamp(t, 0.0, 1.0);
  switch (easing) {
    case PresetEasing::Linear:
      return t;
    case PresetEasing::EaseIn:
      return t * t;
    case PresetEasing::EaseOut:
      return 1 - (1 - t) * (1 - t);
    case PresetEasing::EaseInOut:
      return Smoothstep(t);
  }
  return t;
}

PresetFlight ComputeCameraPreset(const TProject& project, const PresetOptions& o) {
  if (!project.SceneMade || !(project.SceneScale > 0) || project.TransitionMode) {
    throw Error("Make the scene of a sub-scene before choosing a camera preset.");
  }
  if (!(o.Seconds > 0) || o.Seconds > kMaxPresetSeconds) {
    throw Error("The length of a camera preset must lie between 0 and " +
                FormatG15(kMaxPresetSeconds) + " seconds, not " + FormatG15(o.Seconds) + ".");
  }
  if (!(o.Strength >= 0 && o.Strength <= 1)) {
    throw Error("The strength of a camera preset must lie between 0 and 1, not " +
                FormatG15(o.Strength) + ".");
  }
  if (o.FPS < 1) {
    throw Error("A camera preset needs at least one frame per second, not " +
                std::to_string(o.FPS) + ".");
  }
  if (static_cast<double>(o.FPS) * o.Seconds > kMaxPresetFrames) {
    throw Error("A camera preset of " + FormatG15(o.Seconds) + " seconds at " +
                std::to_string(o.FPS) + " frames per second has too many frames (at most " +
                std::to_string(kMaxPresetFrames) + ").");
  }
  if (static_cast<size_t>(o.Preset) >= kPresets.size()) throw Error("Unknown camera preset.");
  const Room room(project);

  // Two frames a key: the export's frames then fall on the keys and halfway between them, where
  // the rounded corners of the interpolation run at the speed of the keys' spacing at every
  // smoothness (with more frames a key a straight run would speed up and slow down at each key).
  constexpr int kFramesPerKey = 2;
  const int frames = std::max(1, RoundHalfEven(o.Seconds * o.FPS));
  int segments = std::max(o.ReturnToStart ? 2 : 1, RoundHalfEven(double(frames) / kFramesPerKey));
  if (o.ReturnToStart) segments += segments % 2;
  const int fpk = kFramesPerKey;
  const std::vector<double> lambda = KeyProgress(o, segments);
  const int smoothness = std::clamp(o.Smoothness, 0, 10);

  // The largest strength up to the asked one whose moves can be made safe all along (probed at
  // a fixed number of points, however long the flight), then reduced further while a key or a
  // frame between the keys is not.
  std::vector<double> probe;
  for (int i = 0; i <= 64; ++i) probe.push_back(i / 64.0);
  double s = o.Strength;
  if (FlightKeys(room, o, s, probe).empty()) {
    double lo = 0, hi = s;
    for (int i = 0; i < 14; ++i) {
      const double mid = (lo + hi) / 2;
      (FlightKeys(room, o, mid, probe).empty() ? hi : lo) = mid;
    }
    s = lo;
  }
  std::vector<TKeyFrame> keys = FlightKeys(room, o, s, lambda);
  for (int tries = 0; s > 0 && (keys.empty() || !FramesSafe(room, keys, fpk, smoothness));
       ++tries) {
    s = tries < 30 ? s * 0.9 : 0;
    keys = FlightKeys(room, o, s, lambda);
  }
  if (keys.empty()) {
    // Strength 0 stands still at the eye, which sees the photograph, and is always safe.
    s = 0;
    keys = FlightKeys(room, o, 0, lambda);
  }
  if (keys.empty()) {
    throw Error(
        "The camera cannot stay inside the box of this sub-scene: its eye stands "
        "outside the room.");
  }

  PresetFlight flight;
  flight.Keys = std::move(keys);
  flight.FPK = fpk;
  flight.Seconds = static_cast<double>(segments) * fpk / o.FPS;
  flight.RequestedStrength = o.Strength;
  flight.Strength = s;
  if (s < o.Strength - 1e-9) {
    const int percent = RoundHalfEven(100 * (o.Strength - s) / o.Strength);
    flight.Notice = "The strength of \"" + PresetName(o.Preset) + "\" was reduced by " +
                    std::to_string(percent) + " % (from " + FormatFixed2(o.Strength) + " to " +
                    FormatFixed2(s) +
                    ") to keep the camera inside the room and every frame full of it.";
  }
  return flight;
}

void ApplyPresetFlight(TTimeline& timeline, const PresetFlight& flight) {
  if (flight.Keys.size() < 2) throw Error("A camera path needs at least two key frames.");
  timeline.FreeKeyFrames();
  timeline.CreateKeyFrames();
  UiCallbacks yes;
  timeline.SetNoOfKeyframeEdit(std::to_string(flight.Keys.size()), yes);
  timeline.KeyFrames() = flight.Keys;
  timeline.FPK = flight.FPK;
  timeline.SelectKey(1);
}

}  // namespace glkov
