// glkov-cli composite PROJECT.kov -o OUT.bmp: the masked picture of a project, the original's
// objects (as the mask selects them) laid over the background, written as a 24-bit BMP file.
#include <memory>

#include "cli/cli_common.h"
#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/objects/composite.h"

namespace glkov::cli {
namespace {

struct CompositeOptions {
  std::string project;
  std::string output;
};

void RunComposite(const CompositeOptions& opt) {
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, opt.project, callbacks);
  SaveMaskedImage(project.IOriginal, project.IMask, project.IBackground, opt.output);
}

}  // namespace

void RegisterComposite(CLI::App& app) {
  auto opt = std::make_shared<CompositeOptions>();
  CLI::App* cmd = app.add_subcommand(
      "composite", "Write the masked picture: the original's objects over the background");
  cmd->add_option("PROJECT", opt->project, "Project file (.kov)")->required();
  cmd->add_option("-o,--output", opt->output, "BMP file to write")->required();
  cmd->callback([opt]() { RunComposite(*opt); });
}

}  // namespace glkov::cli
