#include <iomanip>
#include <iostream>
#include <optional>

#include "cli/cli_common.h"
#include "cli/export_callbacks.h"
#include "cli/preset_args.h"
#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/output/avi_writer.h"
#include "core/output/export.h"
#include "core/output/output_options.h"
#include "core/util/text_format.h"

namespace glkov::cli {
namespace {

// What the command line asks of an export; unset sizes take the viewing window's size.
struct ExportArgs {
  std::string Project;
  std::string Output;
  std::optional<int> Width;
  std::optional<int> Height;
  bool Preview = false;
  std::optional<int> Scene;  // only this sub-scene; all sub-scenes when unset
  int Colors = 24;           // 16, 256 or 24
  std::string Stereo;        // "anaglyph" or "sbs" when --stereo is given
  std::string EyeSeparation = TOutputOptions{}.EyeSeparation;
  int Smoothness = TOutputOptions{}.Smoothness;
  std::optional<double> Master;  // the timeline's factor when unset
  std::string Codec;
  std::optional<int> Crf;  // the format's default when unset
  int Samples = TOutputOptions{}.Samples;
  int TextureMax = TOutputOptions{}.TextureMax;
  bool ListCodecs = false;
  PresetArgs Preset;          // --preset: fly it in every sub-scene instead of the recorded paths
  ExtractOptions Extraction;  // the automatic extraction of every sub-scene without objects
  bool NoMinSize = false;
};

void RunExport(const ExportArgs& args) {
  CliCallbacks loadCallbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, args.Project, loadCallbacks);
  if (args.Master) timeline.MFRFEdit = FormatG15(*args.Master);

  ExportRequest request;
  request.FileName = args.Output;
  TOutputOptions& o = request.Options;
  o.Width = args.Width.value_or(project.ViewWidth);
  o.Height = args.Height.value_or(project.ViewHeight);
  o.Preview = args.Preview;
  o.GenMultiRegion = !args.Scene.has_value();
  request.SingleScene = args.Scene.value_or(0);
  o.ColorDepthItem = args.Colors == 16 ? 0 : args.Colors == 256 ? 1 : 2;
  o.Stereograph = !args.Stereo.empty();
  o.StereoSideBySide = args.Stereo == "sbs";
  o.EyeSeparation = args.EyeSeparation;
  o.Smoothness = args.Smoothness;
  o.Codec = args.Codec;
  o.Crf = args.Crf.value_or(-1);
  o.Samples = args.Samples;
  if (!args.Preset.Name.empty()) {
    request.Preset = ToPresetOptions(args.Preset, timeline.FPS, args.Smoothness);
  }
  request.Extraction = args.Extraction;
  if (args.NoMinSize) request.Extraction.NoSmall = false;
  o.TextureMax = args.TextureMax;

  CliExportCallbacks callbacks;
  const ExportResult result =
      WithInterruptAsAbort([&] { return ExportAnimation(project, timeline, request, callbacks); });
  callbacks.EndLine();
  if (result.Aborted) ExitAborted();
}

void PrintCodecs() {
  for (const auto& c : ListAviCodecs()) {
    std::cout << std::left << std::setw(16) << c.Name << " " << c.LongName << "\n";
  }
}

}  // namespace

void RegisterExport(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "export", "Export the camera flights as a movie (AVI, MP4, MKV, WebM, GIF or PNG frames)");
  auto args = std::make_shared<ExportArgs>();
  cmd->add_option("PROJECT.kov", args->Project, "the project");
  cmd->add_option("-o", args->Output,
                  "the movie to write: NAME.avi, .mp4, .mkv, .webm, .gif or DIR/NAME_%04d.png");
  cmd->add_option("--width", args->Width, "movie width in pixels")->check(CLI::PositiveNumber);
  cmd->add_option("--height", args->Height, "movie height in pixels")->check(CLI::PositiveNumber);
  cmd->add_flag("--preview", args->Preview, "quarter frame count and frame rate");
  cmd->add_option("--scene", args->Scene, "export only this sub-scene")->check(CLI::PositiveNumber);
  cmd->add_option("--colors", args->Colors, "colour depth: 16, 256 or 24 (bits)")
      ->check(CLI::IsMember({16, 256, 24}));
  auto* stereo = cmd->add_option("--stereo", args->Stereo,
                                 "stereo frames: anaglyph (red/blue, also --stereo alone) or sbs "
                                 "(the two eyes side by side)")
                     ->expected(0, 1)
                     ->check(CLI::IsMember({"", "anaglyph", "sbs"}));
  cmd->add_option("--eye-sep", args->EyeSeparation, "eye separation in picture pixels");
  cmd->add_option("--smoothness", args->Smoothness, "camera path smoothness 0 (curved) to 10")
      ->check(CLI::Range(0, 10));
  cmd->add_option("--master", args->Master, "master frame rate factor");
  cmd->add_option("--codec", args->Codec,
                  "AVI: encoder name (see --list-codecs), default uncompressed; MKV: ffv1 for "
                  "lossless frames, default H.264");
  cmd->add_option("--crf", args->Crf,
                  "constant rate factor of MP4/MKV (H.264, 0-51, default 18) and WebM (VP9, "
                  "0-63, default 32)")
      ->check(CLI::Range(0, 63));
  cmd->add_option("--samples", args->Samples, "anti-aliasing samples per pixel: 1, 2, 4 or 8")
      ->check(CLI::IsMember({1, 2, 4, 8}));
  cmd->add_option("--threshold", args->Extraction.Threshold,
                  "Quantizing threshold of the automatic extraction")
      ->check(CLI::Range(0, 255));
  CLI::Option* minSize =
      cmd->add_option("--min-size", args->Extraction.MinSize,
                      "Drop regions smaller than N x N pixels (both extents below N)")
          ->check(CLI::Range(0, 1 << 30));
  cmd->add_flag("--no-min-size", args->NoMinSize, "Keep regions of every size")->excludes(minSize);
  cmd->add_option("--texture-max", args->TextureMax,
                  "largest texture side in texels (default 1024; up to 4096 for large photographs)")
      ->check(CLI::Range(16, 4096));
  cmd->add_flag("--list-codecs", args->ListCodecs, "list the encoders for AVI movies and exit");
  AddPresetOptions(cmd, args->Preset);
  cmd->callback([args, stereo] {
    if (stereo->count() > 0 && args->Stereo.empty()) args->Stereo = "anaglyph";
    if (args->ListCodecs) {
      PrintCodecs();
      return;
    }
    if (args->Project.empty()) throw CLI::RequiredError("PROJECT.kov");
    if (args->Output.empty()) throw CLI::RequiredError("-o");
    RunExport(*args);
  });
}

}  // namespace glkov::cli
