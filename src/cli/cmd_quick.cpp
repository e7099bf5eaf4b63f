// glkov-cli quick: one photograph to a movie in one command.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_common.h"
#include "cli/export_callbacks.h"
#include "core/output/quick_movie.h"

namespace glkov::cli {
namespace {

struct QuickArgs {
  QuickMovieRequest Request;
  std::string Preset = PresetCliName(QuickMovieRequest::DefaultQuickPreset().Preset);
  std::string Ease = EasingCliName(QuickMovieRequest::DefaultQuickPreset().Easing);
};

void RunQuick(QuickArgs& args) {
  QuickMovieRequest& r = args.Request;
  r.Preset.Preset = PresetFromCliName(args.Preset).value_or(CameraPreset::DollyIn);
  r.Preset.Easing = EasingFromCliName(args.Ease).value_or(PresetEasing::EaseInOut);
  CliExportCallbacks callbacks;
  const QuickMovieResult result =
      WithInterruptAsAbort([&] { return MakeQuickMovie(r, callbacks); });
  callbacks.EndLine();
  if (result.Aborted) ExitAborted();
  std::cerr << "glkov-cli: " << result.Frames << " frames of " << result.Width << " x "
            << result.Height << "; project " << result.Project << "\n";
}

}  // namespace

void RegisterQuick(CLI::App& app) {
  auto args = std::make_shared<QuickArgs>();
  CLI::App* cmd = app.add_subcommand(
      "quick",
      "One photograph to a movie: suggested mesh, background fill, a camera preset, export");
  cmd->add_option("PHOTO", args->Request.Photo, "the photograph")->required();
  cmd->add_option("--mask", args->Request.Mask,
                  "foreground-object mask; without it the movie has no standing objects");
  cmd->add_option("--background", args->Request.Background,
                  "background picture; with a mask and without it the photograph is filled "
                  "under the mask and saved beside the project");
  std::vector<std::string> presets;
  for (const CameraPreset p : AllCameraPresets()) presets.push_back(PresetCliName(p));
  cmd->add_option("--preset", args->Preset, "camera preset to fly (default dolly-in)")
      ->check(CLI::IsMember(presets));
  cmd->add_option("--seconds", args->Request.Preset.Seconds,
                  "length of the flight in seconds (default 6)")
      ->check(CLI::Range(0.001, kMaxPresetSeconds));
  cmd->add_option("--strength", args->Request.Preset.Strength,
                  "how far the preset goes, 0 to 1 (default 0.5)")
      ->check(CLI::Range(0.0, 1.0));
  cmd->add_option("--ease", args->Ease, "easing: linear, in, out or in-out (default in-out)")
      ->check(CLI::IsMember({"linear", "in", "out", "in-out"}));
  cmd->add_option("-o", args->Request.Movie,
                  "the movie to write: NAME.mp4, .webm, .gif, .avi, .mkv or DIR/NAME_%04d.png")
      ->required();
  cmd->add_option("--project", args->Request.Project,
                  "the project to save (default: beside the movie, same name, .kov)");
  cmd->add_option("--width", args->Request.Width,
                  "movie width (default: the photograph's, at most 1280)")
      ->check(CLI::Range(2, 8192));
  cmd->add_option("--height", args->Request.Height,
                  "movie height (default: the photograph's aspect)")
      ->check(CLI::Range(2, 8192));
  cmd->callback([args] { RunQuick(*args); });
}

}  // namespace glkov::cli
