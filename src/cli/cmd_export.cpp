#include <iomanip>
#include <iostream>
#include <optional>

#include "cli/cli_common.h"
#include "core/error.h"
#include "core/output/avi_writer.h"
#include "core/output/output_options.h"

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
  bool Stereo = false;
  std::string EyeSeparation = TOutputOptions{}.EyeSeparation;
  int Smoothness = TOutputOptions{}.Smoothness;
  double Master = 1.0;
  std::string Codec;
  bool ListCodecs = false;
};

void PrintCodecs() {
  for (const auto& c : ListAviCodecs()) {
    std::cout << std::left << std::setw(16) << c.Name << " " << c.LongName << "\n";
  }
}

}  // namespace

void RegisterExport(CLI::App& app) {
  auto* cmd = app.add_subcommand("export", "Export the camera flights as an AVI movie");
  auto args = std::make_shared<ExportArgs>();
  cmd->add_option("PROJECT.kov", args->Project, "the project");
  cmd->add_option("-o", args->Output, "the movie file to write");
  cmd->add_option("--width", args->Width, "movie width in pixels")->check(CLI::PositiveNumber);
  cmd->add_option("--height", args->Height, "movie height in pixels")->check(CLI::PositiveNumber);
  cmd->add_flag("--preview", args->Preview, "quarter frame count and frame rate");
  cmd->add_option("--scene", args->Scene, "export only this sub-scene")->check(CLI::PositiveNumber);
  cmd->add_option("--colors", args->Colors, "colour depth: 16, 256 or 24 (bits)")
      ->check(CLI::IsMember({16, 256, 24}));
  cmd->add_flag("--stereo", args->Stereo, "red/blue stereograph frames");
  cmd->add_option("--eye-sep", args->EyeSeparation, "eye separation in picture pixels");
  cmd->add_option("--smoothness", args->Smoothness, "camera path smoothness 0 (curved) to 10")
      ->check(CLI::Range(0, 10));
  cmd->add_option("--master", args->Master, "master frame rate factor");
  cmd->add_option("--codec", args->Codec, "encoder name (see --list-codecs); default uncompressed");
  cmd->add_flag("--list-codecs", args->ListCodecs, "list the encoders for AVI movies and exit");
  cmd->callback([args] {
    if (args->ListCodecs) {
      PrintCodecs();
      return;
    }
    if (args->Project.empty()) throw CLI::RequiredError("PROJECT.kov");
    if (args->Output.empty()) throw CLI::RequiredError("-o");
    throw Error("export is not built yet");
  });
}

}  // namespace glkov::cli
