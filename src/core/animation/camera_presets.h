#pragma once

// Ready-made camera flights through the made scene of a sub-scene: dolly, truck, pan, crane,
// orbit, walk-through and a slow push-in. Each flight is an ordinary key list for equal frames
// per key; the easing comes from the spacing of the keys (closer keys are slower). Every flight
// keeps the camera inside the box and every frame full of the box's walls: moves that would show
// past the box's edges take a forward move along, and a strength that cannot be flown is
// reduced.

#include <optional>
#include <string>
#include <vector>

#include "core/animation/timeline.h"

namespace glkov {

struct TProject;

enum class CameraPreset : int {
  DollyIn,
  DollyOut,
  TruckLeft,
  TruckRight,
  PanLeft,
  PanRight,
  CraneUp,
  Orbit,
  WalkThrough,
  KenBurns
};

enum class PresetEasing : int { Linear, EaseIn, EaseOut, EaseInOut };

// Every preset, in menu order.
const std::vector<CameraPreset>& AllCameraPresets();
// "Dolly In" ... "Ken Burns".
std::string PresetName(CameraPreset preset);
// The command line's names: "dolly-in" ... "ken-burns".
std::string PresetCliName(CameraPreset preset);
std::optional<CameraPreset> PresetFromCliName(const std::string& name);

// "Linear", "Ease In", "Ease Out", "Ease In and Out".
std::string EasingName(PresetEasing easing);
// The command line's names: "linear", "in", "out", "in-out".
std::string EasingCliName(PresetEasing easing);
std::optional<PresetEasing> EasingFromCliName(const std::string& name);

// The position (0 .. 1) along a move at time t (0 .. 1) of the flight.
double EaseProgress(PresetEasing easing, double t);

struct PresetOptions {
  CameraPreset Preset = CameraPreset::DollyIn;
  double Seconds = 5.0;   // length of the flight, 0 < Seconds <= kMaxPresetSeconds
  double Strength = 0.5;  // how far the move goes, 0 (not at all) .. 1 (as far as the room allows)
  PresetEasing Easing = PresetEasing::EaseInOut;
  bool ReturnToStart = false;  // the flight comes back to its first camera (a seamless loop)
  int FPS = 20;                // movie frames per second the flight is timed for
  int Smoothness = 0;          // "Camera Path Smoothness" (0 .. 10) the frames are checked with
};

inline constexpr double kMaxPresetSeconds = 600;

// The share of the box's width the camera keeps from the floor, ceiling, walls and rear wall.
inline constexpr double kPresetWallMargin = 0.05;

struct PresetFlight {
  std::vector<TKeyFrame> Keys;  // every key recorded
  int FPK = 1;                  // frames from one key to the next
  double Seconds = 0;           // the flight's length at FPS: (keys - 1) x FPK / FPS
  double RequestedStrength = 0;
  double Strength = 0;  // the strength flown: RequestedStrength, or less when reduced
  // Empty, or a sentence telling by how much the strength was reduced and why.
  std::string Notice;
};

// Computes the flight of options.Preset in the made scene of the project (its boards, eye and
// rear wall): it starts at the photograph's eye (the default camera), except "Dolly Out", which
// ends there. Throws glkov::Error when no scene is made or an option is out of range.
PresetFlight ComputeCameraPreset(const TProject& project, const PresetOptions& options);

// Replaces the timeline's keys by the flight's (every key recorded, key 1 selected) and sets its
// frames per key; the other rates stay.
void ApplyPresetFlight(TTimeline& timeline, const PresetFlight& flight);

}  // namespace glkov
