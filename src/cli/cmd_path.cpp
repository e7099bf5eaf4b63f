// glkov-cli path: load a camera path, print it, save it again, list the frames of the export;
// or, with --preset, fly a preset in a sub-scene of a project and write it as a camera path.
#include <algorithm>
#include <memory>

#include "cli/cli_common.h"
#include "cli/preset_args.h"
#include "core/animation/camera_path_file.h"
#include "core/animation/camera_presets.h"
#include "core/animation/interpolation.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/scene_builder.h"
#include "core/util/text_format.h"

namespace glkov::cli {

namespace {

struct PathOptions {
  std::string Path;
  std::string SaveAs;
  bool Frames = false;
  int Smoothness = 0;
  double Master = 1.0;
  bool Preview = false;
  bool Json = false;
  std::string Output;  // -o: where the path is written
  PresetArgs Preset;
  int Region = 0;  // the sub-scene a preset flies in; 0: the project's current one
};

nlohmann::json CameraJson(const TCamera& c) {
  return {{"CamPos", ToJson(c.CamPos)}, {"CamDir", ToJson(c.CamDir)}, {"CamUp", ToJson(c.CamUp)}};
}

std::string CameraText(const TCamera& c) {
  std::string s;
  for (const Vec3* v : {&c.CamPos, &c.CamDir, &c.CamUp}) {
    s += " " + FormatG15(v->x) + " " + FormatG15(v->y) + " " + FormatG15(v->z);
  }
  return s;
}

// Prints the timeline's rates and keys (and frames); extra goes into the JSON object.
void PrintPath(const TTimeline& timeline, const PathOptions& o, nlohmann::json extra = {}) {
  std::vector<TCamera> frames;
  if (o.Frames) {
    const std::vector<int> segments =
        SegmentFrameCounts(timeline.KeyCount(), timeline.FPK, o.Master, o.Preview);
    frames = PathFrameCameras(timeline.KeyFrames(), segments, o.Smoothness);
  }

  if (!o.Json) {
    std::cout << "FPS: " << timeline.FPS << "\nFPK: " << timeline.FPK
              << "\nTrans: " << timeline.Trans << "\nKeyFrames: " << timeline.KeyCount() << "\n";
    for (const TKeyFrame& k : timeline.KeyFrames()) {
      std::cout << (k.Recorded ? "1" : "0") << CameraText(k.Camera()) << "\n";
    }
    if (o.Frames) {
      std::cout << "Frames: " << frames.size() << "\n";
      for (size_t f = 0; f < frames.size(); ++f) std::cout << f << CameraText(frames[f]) << "\n";
    }
    return;
  }
  nlohmann::json keys = nlohmann::json::array();
  for (const TKeyFrame& k : timeline.KeyFrames()) {
    nlohmann::json item = CameraJson(k.Camera());
    item["Recorded"] = k.Recorded;
    keys.push_back(std::move(item));
  }
  nlohmann::json j = {
      {"FPS", timeline.FPS}, {"FPK", timeline.FPK}, {"Trans", timeline.Trans}, {"KeyFrames", keys}};
  if (extra.is_object()) j.update(extra);
  if (o.Frames) {
    nlohmann::json list = nlohmann::json::array();
    for (const TCamera& c : frames) list.push_back(CameraJson(c));
    j["Frames"] = std::move(list);
  }
  std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

void RunPath(const PathOptions& o) {
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadCameraPathFile(timeline, o.Path, callbacks);
  const std::string& saveAs = o.SaveAs.empty() ? o.Output : o.SaveAs;
  if (!saveAs.empty()) SaveCameraPathFile(timeline, saveAs);
  PrintPath(timeline, o);
}

// Makes the sub-scene's scene, flies the preset in it and writes the flight with the rates of
// the sub-scene's own path (or the defaults when it has none).
void RunPresetPath(const PathOptions& o) {
  if (o.Output.empty()) throw CLI::RequiredError("-o");
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, o.Path, callbacks);
  const int region = o.Region > 0 ? o.Region : std::max(project.CurrentRegion, 1);
  if (region != project.CurrentRegion) EnterSubScene(project, timeline, region, callbacks);
  MakeScene(project, {}, callbacks);
  const PresetFlight flight =
      ComputeCameraPreset(project, ToPresetOptions(o.Preset, timeline.FPS, o.Smoothness));
  if (!flight.Notice.empty()) callbacks.Warning(flight.Notice);
  ApplyPresetFlight(timeline, flight);
  SaveCameraPathFile(timeline, o.Output);
  if (!o.Json)
    std::cout << "Seconds: " << FormatG15(flight.Seconds)
              << "\nStrength: " << FormatG15(flight.Strength) << "\n";
  PrintPath(timeline, o,
            {{"Preset", o.Preset.Name},
             {"Seconds", flight.Seconds},
             {"Strength", flight.Strength},
             {"RequestedStrength", flight.RequestedStrength},
             {"Notice", flight.Notice}});
}

}  // namespace

void RegisterPath(CLI::App& app) {
  auto o = std::make_shared<PathOptions>();
  CLI::App* cmd = app.add_subcommand("path", "Load a camera path and print it");
  cmd->add_option("PATH", o->Path, "camera path file (.cam); with --preset the project (.kov)")
      ->required();
  cmd->add_option("-o", o->Output, "write the path to this file (.cam)");
  cmd->add_option("--save-as", o->SaveAs, "save the loaded path again");
  cmd->add_flag("--frames", o->Frames, "add every frame's camera as the export computes it");
  cmd->add_option("--smoothness", o->Smoothness, "camera path smoothness slider 0-10 (default 0)")
      ->check(CLI::Range(0, 10));
  cmd->add_option("--master", o->Master, "master frame rate factor (default 1.0)");
  cmd->add_flag("--preview", o->Preview, "preview movie: a quarter of the frames");
  cmd->add_flag("--json", o->Json, "print one JSON object");
  AddPresetOptions(cmd, o->Preset);
  cmd->add_option("--region", o->Region, "sub-scene the preset flies in (default: the current)")
      ->check(CLI::PositiveNumber);
  cmd->callback([o] {
    if (o->Preset.Name.empty()) {
      if (o->Region > 0) throw CLI::ValidationError("--region", "needs --preset");
      RunPath(*o);
    } else {
      RunPresetPath(*o);
    }
  });
}

}  // namespace glkov::cli
