#include "core/output/quick_movie.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "core/animation/camera_path_file.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/filled_background.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/output/movie_writer.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/scene_builder.h"
#include "core/vision/background_fill.h"
#include "core/vision/suggest_mesh.h"

namespace glkov {

namespace fs = std::filesystem;

std::string QuickProjectName(const std::string& movie) {
  const fs::path path(movie);
  std::string stem = path.stem().string();
  if (const size_t field = stem.find('%'); field != std::string::npos) {
    stem.erase(field);
    while (!stem.empty() && (stem.back() == '_' || stem.back() == '-' || stem.back() == '.'))
      stem.pop_back();
  }
  if (stem.empty()) stem = "movie";
  return (path.parent_path() / (stem + ".kov")).string();
}

void QuickMovieSize(int picWidth, int picHeight, int& width, int& height) {
  const double aspect = picWidth > 0 && picHeight > 0 ? double(picHeight) / picWidth : 0.75;
  if (width <= 0 && height <= 0) width = std::min(std::max(picWidth, 2), kQuickMaxWidth);
  // A side derived from the other is even, as most movie formats need.
  if (width <= 0) width = 2 * static_cast<int>(height / aspect / 2 + 0.5);
  if (height <= 0) height = 2 * static_cast<int>(width * aspect / 2 + 0.5);
  width = std::max(width, 2);
  height = std::max(height, 2);
}

namespace {

// The files a run makes that were not there before: removed again when the run is aborted.
class NewFiles {
 public:
  void Note(const std::string& name) {
    std::error_code ec;
    if (!name.empty() && !fs::exists(name, ec)) names_.push_back(name);
  }
  void Remove() const {
    for (const std::string& name : names_) {
      std::error_code ec;
      fs::remove(name, ec);
    }
  }

 private:
  std::vector<std::string> names_;
};

bool SameContents(const fs::path& a, const fs::path& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  return std::equal(std::istreambuf_iterator<char>(fa), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(fb), std::istreambuf_iterator<char>());
}

// The project names its pictures without a folder: a picture from elsewhere is copied beside it.
// Returns the name the project loads it by.
std::string PictureBeside(const std::string& picture, const std::string& projectFile,
                          NewFiles& made) {
  if (picture.empty()) return picture;
  std::error_code ec;
  if (!fs::is_regular_file(picture, ec)) return picture;  // the loader says what is wrong
  const fs::path target = fs::path(projectFile).parent_path() / fs::path(picture).filename();
  if (fs::exists(target, ec)) {
    if (fs::equivalent(picture, target, ec) || SameContents(picture, target))
      return target.string();
    throw Error("Another picture named \"" + target.filename().string() +
                "\" is already beside the project " + projectFile + ".");
  }
  made.Note(target.string());
  if (!fs::copy_file(picture, target, ec)) {
    throw Error("Cannot copy \"" + picture + "\" to \"" + target.string() + "\": " + ec.message());
  }
  return target.string();
}

void SetMesh(TProject& p, double vx, double vy, double il, double ib, double ir, double it) {
  p.VanishX = vx;
  p.VanishY = vy;
  p.InnerLeft = il;
  p.InnerBottom = ib;
  p.InnerRight = ir;
  p.InnerTop = it;
}

std::string CameraPathBeside(const std::string& projectFile) {
  return fs::path(projectFile).replace_extension(".cam").string();
}

}  // namespace

QuickMovieResult MakeQuickMovie(const QuickMovieRequest& request, ExportCallbacks& callbacks) {
  if (request.Photo.empty()) throw Error("No photograph was given.");
  if (request.Movie.empty()) throw Error("No movie file was given.");
  QuickMovieResult result;
  result.Project = request.Project.empty() ? QuickProjectName(request.Movie) : request.Project;
  result.CameraPath = CameraPathBeside(result.Project);
  if (fs::path(result.Project).extension() != ".kov") {
    throw Error("The project file must end in .kov: " + result.Project);
  }
  NewFiles made;
  made.Note(result.Project);
  made.Note(result.CameraPath);
  QuickMovieRequest beside = request;
  try {
    beside.Photo = PictureBeside(request.Photo, result.Project, made);
    beside.Mask = PictureBeside(request.Mask, result.Project, made);
    beside.Background = PictureBeside(request.Background, result.Project, made);
  } catch (...) {
    made.Remove();
    throw;
  }

  // The project as importing the pictures makes it, with the suggested mesh; without a mask the
  // photograph is its own background, so the box's walls show it unchanged.
  try {
    TProject project;
    TTimeline timeline(project);
    project.NewProjectStarted = true;
    LoadOriginal(project, timeline, beside.Photo, callbacks);
    // Below four pixels a side no inner rectangle fits around a vanishing point.
    constexpr int kSmallest = 4;
    if (project.PicWidth < kSmallest || project.PicHeight < kSmallest) {
      throw Error("The photograph of " + std::to_string(project.PicWidth) + " x " +
                  std::to_string(project.PicHeight) + " pixels is too small for a room: it takes " +
                  "at least " + std::to_string(kSmallest) + " x " + std::to_string(kSmallest) +
                  ".");
    }
    LoadMask(project, beside.Mask, callbacks);
    LoadBackground(
        project,
        request.Background.empty() && request.Mask.empty() ? beside.Photo : beside.Background,
        callbacks);
    vision::SuggestMeshOptions options;
    if (const auto fov = vision::ExifFieldOfView(request.Photo)) options.FieldOfView = *fov;
    const vision::MeshSuggestion s = vision::SuggestMesh(project.IOriginal_r, options);
    // A weak suggestion makes a stranger room than the default mesh does.
    constexpr double kUsableConfidence = 0.3;
    if (s.Confidence >= kUsableConfidence) {
      SetMesh(project, s.VanishX, s.VanishY, s.InnerLeft, s.InnerBottom, s.InnerRight, s.InnerTop);
      result.Confidence = s.Confidence;
    } else {
      TMeshRegion fallback = project.MeshRegions[1];
      DefaultRegionMesh(fallback);
      SetMesh(project, fallback.VanishX, fallback.VanishY, fallback.InnerLeft,
              fallback.InnerBottom, fallback.InnerRight, fallback.InnerTop);
      result.Confidence = 0;
      if (s.Confidence > 0) {
        callbacks.Warning("The suggested perspective is uncertain; the default mesh is used.");
      }
    }
    project.FocalLength = s.FocalLength;
    project.PerspectiveDone = true;
    // The movie shows the whole photograph, not the window's usual inset.
    TMeshRegion& window = project.MeshRegions[0];
    window.Left = 0;
    window.Top = 0;
    window.Right = project.PicWidth - 1;
    window.Bottom = project.PicHeight - 1;
    SetViewWindowSize(project, project.PicWidth, project.PicHeight);
    if (!request.Mask.empty() && request.Background.empty()) {
      project.ProjectFileName = result.Project;
      FillResult filled = FillProjectBackground(project, {}, callbacks);
      if (filled.Cancelled) {
        made.Remove();
        result.Aborted = true;
        return result;
      }
      result.Background = FilledBackgroundName(result.Project);
      made.Note(result.Background);
      AcceptFilledBackground(project, std::move(filled.Background));
      SaveFilledBackground(project, result.Project);
    }
    SaveProject(project, result.Project);
  } catch (...) {
    made.Remove();
    throw;
  }

  // Opened again as the desktop program opens it: the preset flown in sub-scene 1 becomes its
  // camera path, and the export renders that path.
  TProject project;
  TTimeline timeline(project);
  ExportResult exported;
  try {
    LoadProject(project, timeline, result.Project, callbacks);
    PresetOptions preset = request.Preset;
    preset.FPS = timeline.FPS;
    PresetFlight flight;
    try {
      MakeScene(project, {}, callbacks);
      flight = ComputeCameraPreset(project, preset);
    } catch (const Error&) {
      // A suggestion whose room cannot be flown through (its eye outside the box, its rear
      // wall not behind the picture) gives way to the default mesh.
      TMeshRegion fallback = project.MeshRegions[1];
      DefaultRegionMesh(fallback);
      SetMesh(project, fallback.VanishX, fallback.VanishY, fallback.InnerLeft, fallback.InnerBottom,
              fallback.InnerRight, fallback.InnerTop);
      StoreWorkingRegion(project);
      result.Confidence = 0;
      callbacks.Warning(
          "The suggested perspective does not make a room the camera can fly through; the "
          "default mesh is used instead.");
      MakeScene(project, {}, callbacks);
      flight = ComputeCameraPreset(project, preset);
    }
    if (!flight.Notice.empty()) callbacks.Warning(flight.Notice);
    ApplyPresetFlight(timeline, flight);
    SaveCameraPathFile(timeline, result.CameraPath);
    SaveProject(project, result.Project);

    ExportRequest er;
    er.FileName = request.Movie;
    result.Width = request.Width;
    result.Height = request.Height;
    QuickMovieSize(project.PicWidth, project.PicHeight, result.Width, result.Height);
    er.Options.Width = result.Width;
    er.Options.Height = result.Height;
    er.Options.GenMultiRegion = true;
    exported = ExportAnimation(project, timeline, er, callbacks);
    // The size the movie has: an H.264 or VP9 movie rounds odd sizes down (with a warning).
    FitMovieFrameSize(MovieFormatOf(request.Movie), "", result.Width, result.Height);
  } catch (...) {
    made.Remove();
    throw;
  }
  result.Aborted = exported.Aborted;
  result.Frames = exported.Frames;
  if (result.Aborted) made.Remove();
  return result;
}

}  // namespace glkov
