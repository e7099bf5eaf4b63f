#pragma once

// The command line's options of a camera preset, shared by "path" and "export".

#include <CLI/CLI.hpp>
#include <string>

#include "core/animation/camera_presets.h"

namespace glkov::cli {

struct PresetArgs {
  std::string Name;  // empty: no preset
  double Seconds = PresetOptions{}.Seconds;
  double Strength = PresetOptions{}.Strength;
  std::string Ease = EasingCliName(PresetOptions{}.Easing);
  bool Loop = false;
};

// Adds --preset, --seconds, --strength, --ease and --loop; the last four need --preset.
inline void AddPresetOptions(CLI::App* cmd, PresetArgs& args) {
  std::vector<std::string> names;
  for (const CameraPreset p : AllCameraPresets()) names.push_back(PresetCliName(p));
  std::vector<std::string> eases;
  for (const auto e : {PresetEasing::Linear, PresetEasing::EaseIn, PresetEasing::EaseOut,
                       PresetEasing::EaseInOut}) {
    eases.push_back(EasingCliName(e));
  }
  auto* preset =
      cmd->add_option("--preset", args.Name, "camera preset to fly")->check(CLI::IsMember(names));
  cmd->add_option("--seconds", args.Seconds, "length of the preset flight in seconds (default 5)")
      ->check(CLI::Range(0.001, kMaxPresetSeconds))
      ->needs(preset);
  cmd->add_option("--strength", args.Strength, "how far the preset goes, 0 to 1 (default 0.5)")
      ->check(CLI::Range(0.0, 1.0))
      ->needs(preset);
  cmd->add_option("--ease", args.Ease, "easing: linear, in, out or in-out (default in-out)")
      ->check(CLI::IsMember(eases))
      ->needs(preset);
  cmd->add_flag("--loop", args.Loop, "the flight returns to its start")->needs(preset);
}

// The preset options of parsed arguments, timed for fps frames a second.
inline PresetOptions ToPresetOptions(const PresetArgs& args, int fps, int smoothness) {
  PresetOptions o;
  o.Preset = PresetFromCliName(args.Name).value_or(CameraPreset::DollyIn);
  o.Seconds = args.Seconds;
  o.Strength = args.Strength;
  o.Easing = EasingFromCliName(args.Ease).value_or(PresetEasing::EaseInOut);
  o.ReturnToStart = args.Loop;
  o.FPS = fps;
  o.Smoothness = smoothness;
  return o;
}

}  // namespace glkov::cli
