#pragma once

// The animation export: every sub-scene with a camera path rendered frame by frame along its
// interpolated flight into one movie (see MovieWriter), neighbouring sub-scenes joined by a pan across the
// original picture.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/animation/camera_presets.h"
#include "core/image/fast_bmp.h"
#include "core/model/types.h"
#include "core/objects/extraction.h"
#include "core/output/frame_dib.h"
#include "core/output/output_options.h"
#include "core/ui_callbacks.h"

namespace glkov {

struct TProject;
class TTimeline;

struct ExportRequest {
  std::string FileName;
  TOutputOptions Options;     // movie size, switches, colour depth, stereograph, smoothness, codec
  RenderSwitches Switches;    // preview quality and "Negative Output" of the camera controls
  ExtractOptions Extraction;  // the automatic extraction of sub-scenes without accepted objects
  // With Options.GenMultiRegion clear: the sub-scene to render (0: the current one).
  int SingleScene = 0;
  // When set, every exported sub-scene flies this preset (timed at the timeline's frames per
  // second) instead of its recorded camera path; a reduced strength is told through Warning.
  std::optional<PresetOptions> Preset;
};

// What the export tells and asks on its way. Progress(caption, percent) carries "Rendering Scene
// %d/%d" and "Changing Scene %d->%d"; an abort request is answered by AskYesNo("Abort outputing?").
class ExportCallbacks : public UiCallbacks {
 public:
  // A finished frame, just before it is written (the desktop program shows it). Rendered frames
  // come bottom-up, as the movie stores them.
  virtual void FrameDone(const TFastBMP& /*frame*/, RowOrder /*rows*/) {}
};

struct ExportResult {
  bool Aborted = false;
  int64_t Frames = 0;
};

// The sub-scenes an export covers, in order: 1 .. n - 1 with "Generate and Connect All Scenes",
// else the single chosen one.
std::vector<int> ExportScenes(const TProject& project, const ExportRequest& request);

// Throws glkov::Error saying what is missing when the request would export nothing (no sub-scene
// of ExportScenes has a camera path of two or more keys whose first key is recorded), so that
// the user hears it before being asked for a file name.
void CheckSomethingToExport(const TProject& project, const ExportRequest& request);

// Runs the export. The rates (frames per second, per key frame, per transition, the master factor)
// are those of the timeline when the export starts; each sub-scene's camera path is then loaded
// into the timeline in turn, the sub-scene entered and its scene made. Sub-scenes without a path
// are skipped; one whose path has fewer than two keys or no frames is skipped with a warning; one
// whose first key is not recorded contributes only its transition. The movie is written through a
// temporary file: an abort or an error leaves no file and keeps an older one of that name.
// Throws glkov::Error when nothing can be exported (no sub-scene has a path of two or more keys
// whose first key is recorded), for the movie file's errors and for a scene that cannot be made.
ExportResult ExportAnimation(TProject& project, TTimeline& timeline, const ExportRequest& request,
                             ExportCallbacks& callbacks);

}  // namespace glkov
