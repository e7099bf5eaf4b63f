// glkov-cli render PROJECT.kov -o OUT.png|OUT.bmp [--region K] [--width W --height H]
// [--key N | --camera PX,PY,PZ,DX,DY,DZ,UX,UY,UZ] [--quality low|high] [--negative]
// [--view-window] [--samples N] [--depth DEPTH.png]: makes sub-scene K and renders one frame off
// screen.

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/image/png_save.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/depth_picture.h"
#include "core/scene/offscreen_target.h"
#include "core/scene/scene_builder.h"
#include "core/util/atomic_file.h"
#include "core/util/text_format.h"

namespace glkov::cli {
namespace {

struct RenderOptions {
  std::string project;
  std::string output;
  int region = 1;
  int width = 0;  // 0: the default size
  int height = 0;
  int key = 0;         // 1-based key of the sub-scene's camera path; 0: not given
  std::string camera;  // nine numbers; empty: not given
  std::string quality = "low";
  bool negative = false;
  bool viewWindow = false;
  int samples = 1;    // anti-aliasing samples per pixel
  std::string depth;  // 16-bit depth picture to write beside the frame; empty: none
};

std::string LowerExtension(const std::string& fileName) {
  const std::string name = FileNamePart(fileName);
  const size_t dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

TCamera ParseCamera(const std::string& text) {
  std::vector<double> v;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string token = text.substr(start, comma - start);
    const std::optional<double> d = ParseDouble(token);
    if (!d || !std::isfinite(*d)) {
      throw CLI::ValidationError("--camera", "\"" + token + "\" is not a number");
    }
    v.push_back(*d);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (v.size() != 9) {
    throw CLI::ValidationError("--camera", "needs nine numbers PX,PY,PZ,DX,DY,DZ,UX,UY,UZ");
  }
  return TCamera{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
}

void RunRender(const RenderOptions& opt) {
  const std::string ext = LowerExtension(opt.output);
  if (ext != ".png" && ext != ".bmp") {
    throw CLI::ValidationError("-o", "the frame is written as .png or .bmp");
  }
  std::optional<TCamera> camera;
  if (!opt.camera.empty()) camera = ParseCamera(opt.camera);

  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, opt.project, callbacks);
  if (opt.region != project.CurrentRegion) {
    EnterSubScene(project, timeline, opt.region, callbacks);
  }
  MakeSceneOptions make;
  make.Negative = opt.negative;
  MakeScene(project, make, callbacks);

  if (opt.key > 0) {
    if (opt.key > timeline.KeyCount()) {
      throw Error("Key frame " + std::to_string(opt.key) +
                  " does not exist: the camera path of "
                  "sub-scene " +
                  std::to_string(opt.region) + " has " + std::to_string(timeline.KeyCount()) +
                  " key frames.");
    }
    camera = timeline.KeyFrames()[static_cast<size_t>(opt.key - 1)].Camera();
  }

  RenderFrameOptions render;
  render.Switches.Quality = opt.quality == "high" ? 1 : 0;
  render.Switches.SeeVWClip = opt.viewWindow;
  render.Switches.UseVW = false;  // a frame of the scene, without the window's outline
  if (opt.width > 0) {
    render.Width = opt.width;
    render.Height = opt.height;
  } else if (opt.viewWindow) {
    render.Width = project.ViewWidth;  // the movie's default size
    render.Height = project.ViewHeight;
  }
  render.Samples = opt.samples;
  render.Callbacks = &callbacks;  // warns when the driver has fewer samples
  if (!opt.depth.empty() && LowerExtension(opt.depth) != ".png") {
    throw CLI::ValidationError("--depth", "the depth picture is written as .png");
  }
  std::vector<uint16_t> depth;
  const TFastBMP frame = RenderFrame(project, camera.value_or(project.Camera), render,
                                     opt.depth.empty() ? nullptr : &depth);
  if (!opt.depth.empty()) {
    WriteFileAtomically(opt.depth, EncodeGrey16Png(depth, frame.Width(), frame.Height()));
  }
  if (ext == ".png") {
    SavePicturePNG(opt.output, frame);
  } else {
    SaveBMP(opt.output, frame);
  }
}

}  // namespace

void RegisterRender(CLI::App& app) {
  auto opt = std::make_shared<RenderOptions>();
  CLI::App* cmd = app.add_subcommand(
      "render", "Make a sub-scene and render one frame off screen (no display needed)");
  cmd->add_option("PROJECT.kov", opt->project, "Project file")->required();
  cmd->add_option("-o,--output", opt->output, "Frame picture to write (.png or .bmp)")->required();
  cmd->add_option("--region", opt->region, "Sub-scene to make (default 1)")
      ->check(CLI::PositiveNumber);
  auto* width = cmd->add_option("--width", opt->width, "Frame width (default: the picture's)")
                    ->check(CLI::Range(1, 16384));
  auto* height =
      cmd->add_option("--height", opt->height, "Frame height")->check(CLI::Range(1, 16384));
  width->needs(height);
  height->needs(width);
  auto* key = cmd->add_option("--key", opt->key, "Camera of key frame N of the sub-scene's path")
                  ->check(CLI::PositiveNumber);
  auto* camera =
      cmd->add_option("--camera", opt->camera, "Camera PX,PY,PZ,DX,DY,DZ,UX,UY,UZ (scene units)");
  key->excludes(camera);
  camera->excludes(key);
  cmd->add_option("--quality", opt->quality, "Texture filtering: low (nearest) or high (linear)")
      ->check(CLI::IsMember({"low", "high"}));
  cmd->add_flag("--negative", opt->negative, "Negative Output: textures as negatives");
  cmd->add_flag("--view-window", opt->viewWindow,
                "Project only the viewing window, as the export does (default size: the "
                "viewing window's)");
  cmd->add_option("--samples", opt->samples, "Anti-aliasing samples per pixel: 1, 2, 4 or 8")
      ->check(CLI::IsMember({1, 2, 4, 8}));
  cmd->add_option("--depth", opt->depth,
                  "Also write the distance from the eye as a 16-bit grey PNG (0 nearest, 65535 "
                  "farthest or empty)");
  cmd->callback([opt] { RunRender(*opt); });
}

}  // namespace glkov::cli
