// glkov-cli fill PROJECT.kov -o OUT.png: the project's original filled under its mask along the
// planes of its sub-scenes (or, with --fast, the diffusion preview), written as a PNG (or BMP).
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "cli/cli_common.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/image/picture_file.h"
#include "core/image/png_save.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/vision/background_fill.h"

namespace glkov::cli {
namespace {

struct FillCommandOptions {
  std::string Project;
  std::string Output;
  bool Fast = false;
  int Grow = FillOptions{}.Grow;
  bool Json = false;
};

// Shows the fill's progress on standard error when it is a terminal.
class FillProgress : public CliCallbacks {
 public:
  void Progress(const std::string& stage, int percent) override {
    if (!terminal_ || percent == last_) return;
    last_ = percent;
    std::fprintf(stderr, "\r%s %d %%%s", stage.c_str(), percent, percent >= 100 ? "\n" : "");
  }

 private:
  bool terminal_ = isatty(STDERR_FILENO) != 0;
  int last_ = -1;
};

void WritePicture(const std::string& fileName, const TFastBMP& picture) {
  std::string extension = std::filesystem::path(fileName).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == ".bmp")
    SaveBMP(fileName, picture);
  else
    SavePicturePNG(fileName, picture);
}

void RunFill(const FillCommandOptions& o) {
  FillProgress callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, o.Project, callbacks);
  FillOptions options;
  options.Grow = o.Grow;
  const auto start = std::chrono::steady_clock::now();
  const FillResult r = o.Fast ? FillBackgroundPreview(project.IOriginal, project.IMask, options)
                              : FillProjectBackground(project, options, callbacks);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  WritePicture(o.Output, r.Background);
  if (o.Json) {
    PrintJson({{"Width", r.Background.Width()},
               {"Height", r.Background.Height()},
               {"HolePixels", r.HolePixels},
               {"Seconds", seconds}});
  }
}

}  // namespace

void RegisterFill(CLI::App& app) {
  auto opt = std::make_shared<FillCommandOptions>();
  CLI::App* cmd = app.add_subcommand(
      "fill", "Fill the project's original under its mask along the planes of the mesh");
  cmd->add_option("PROJECT", opt->Project, "project file (.kov)")->required();
  cmd->add_option("-o,--output", opt->Output, "picture to write (.png, or .bmp)")->required();
  cmd->add_flag("--fast", opt->Fast, "the quick diffusion fill only");
  cmd->add_option("--grow", opt->Grow, "pixels the mask's objects are grown by (default 3)")
      ->check(CLI::Range(0, 100));
  cmd->add_flag("--json", opt->Json, "print one JSON object");
  cmd->callback([opt] { RunFill(*opt); });
}

}  // namespace glkov::cli
