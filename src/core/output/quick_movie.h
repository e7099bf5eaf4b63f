#pragma once

// One photograph to a movie in one go: the suggested mesh and field of view, the mask's objects
// (none without a mask), the background filled under them when no background is given, a camera
// preset flown through the box and exported. The project and its camera path are saved so that
// the flight can be opened and refined in the desktop program.

#include <cstdint>
#include <string>

#include "core/animation/camera_presets.h"
#include "core/output/export.h"

namespace glkov {

// The widest movie made when no size is asked for.
inline constexpr int kQuickMaxWidth = 1280;

struct QuickMovieRequest {
  std::string Photo;
  std::string Mask;        // empty: no objects, the photograph is the background
  std::string Background;  // empty with a mask: the photograph filled under the mask
  std::string Movie;       // its name chooses the format, as for the export
  std::string Project;     // empty: QuickProjectName(Movie)
  PresetOptions Preset = DefaultQuickPreset();  // FPS is the project's; Smoothness 0
  // Movie size; 0 takes the photograph's (scaled down to kQuickMaxWidth wide) or keeps the
  // photograph's aspect when only the other side is given.
  int Width = 0;
  int Height = 0;

  // "Dolly In", "Ease In and Out", 6 seconds.
  static PresetOptions DefaultQuickPreset() {
    PresetOptions o;
    o.Preset = CameraPreset::DollyIn;
    o.Easing = PresetEasing::EaseInOut;
    o.Seconds = 6;
    return o;
  }
};

struct QuickMovieResult {
  bool Aborted = false;  // the movie and the files this run made are then removed
  int64_t Frames = 0;
  int Width = 0;  // the movie's frame size
  int Height = 0;
  std::string Project;     // the saved project
  std::string CameraPath;  // the saved flight, beside the project
  std::string Background;  // the filled background saved beside the project, or empty
  double Confidence = 0;   // of the suggested mesh
};

// The project beside a movie: same folder, same stem (for a PNG sequence "dir/shot_%04d.png":
// "dir/shot.kov"), extension .kov.
std::string QuickProjectName(const std::string& movie);

// The movie size of a photograph of picWidth x picHeight for the asked width and height (0: not
// asked), both at least 2 pixels; a side derived from the other is even.
void QuickMovieSize(int picWidth, int picHeight, int& width, int& height);

// Makes the project, saves it with its camera path and exports the movie. Progress and the abort
// request go through callbacks as for the export. Throws glkov::Error for a picture that cannot
// be read, a movie or project that cannot be written, and the export's errors; the movie is then
// not left half-written.
QuickMovieResult MakeQuickMovie(const QuickMovieRequest& request, ExportCallbacks& callbacks);

}  // namespace glkov
