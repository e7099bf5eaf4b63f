// glkov-cli composite PROJECT.kov -o OUT.bmp: the masked picture of a project, the original's
// objects (as the mask selects them) laid over the background, written as a 24-bit BMP file.
#include <memory>

#include "cli/cli_common.h"
#include "core/error.h"
#include "core/model/project.h"
#include "core/objects/composite.h"

#if __has_include("core/model/project_file.h")
#include "core/animation/timeline.h"
#include "core/model/project_file.h"
#define GLKOV_CLI_HAS_PROJECT_FILE 1
#endif

namespace glkov::cli {
namespace {

struct CompositeOptions {
  std::string project;
  std::string output;
};

void RunComposite(const CompositeOptions& opt) {
#ifdef GLKOV_CLI_HAS_PROJECT_FILE
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, opt.project, callbacks);
  SaveMaskedImage(project.IOriginal, project.IMask, project.IBackground, opt.output);
#else
  throw Error("Cannot read project \"" + opt.project + "\": project files are not supported.");
#endif
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
