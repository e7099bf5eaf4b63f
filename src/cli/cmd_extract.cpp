// glkov-cli extract MASK [--threshold T] [--min-size N | --no-min-size] [--json]: the object
// extraction on a whole mask picture, listing the regions found with their boxes.
#include <memory>

#include "cli/cli_common.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/objects/extraction.h"

namespace glkov::cli {
namespace {

struct ExtractCliOptions {
  std::string mask;
  ExtractOptions extract;
  bool noMinSize = false;
  bool json = false;
};

void RunExtract(ExtractCliOptions opt) {
  CliCallbacks callbacks;
  TFastBMP mask;
  LoadPictureFile(opt.mask, mask, callbacks);
  if (opt.noMinSize) opt.extract.NoSmall = false;
  const ExtractionResult result = ExtractObjects(mask, opt.extract, mask.Height());
  if (opt.json) {
    nlohmann::json objects = nlohmann::json::array();
    for (const ExtractedRow& r : result.Rows) {
      objects.push_back({{"X1", r.X1}, {"Y1", r.Y1}, {"X2", r.X2}, {"Y2", r.Y2}});
    }
    PrintJson({{"Objects", objects}});
    return;
  }
  std::cout << result.Rows.size() << " Object(s) Extracted.\n";
  if (result.Rows.empty()) return;
  std::cout << "#\tLeft\tTop\tRight\tBottom\n";
  for (const ExtractedRow& r : result.Rows) {
    std::cout << r.Number << "\t" << r.X1 << "\t" << r.Y1 << "\t" << r.X2 << "\t" << r.Y2 << "\n";
  }
}

}  // namespace

void RegisterExtract(CLI::App& app) {
  auto opt = std::make_shared<ExtractCliOptions>();
  CLI::App* cmd = app.add_subcommand(
      "extract", "Find the objects of a mask picture as the object extraction does");
  cmd->add_option("MASK", opt->mask, "Mask picture (objects bright on a dark backdrop)")
      ->required();
  cmd->add_option("--threshold", opt->extract.Threshold,
                  "Quantizing threshold: a pixel is an object pixel when its red byte is greater")
      ->check(CLI::Range(0, 255))
      ->capture_default_str();
  CLI::Option* minSize =
      cmd->add_option("--min-size", opt->extract.MinSize,
                      "Drop regions smaller than N x N pixels (both extents below N)")
          ->check(CLI::Range(0, 1 << 30))
          ->capture_default_str();
  cmd->add_flag("--no-min-size", opt->noMinSize, "Keep regions of every size")->excludes(minSize);
  cmd->add_flag("--json", opt->json, "Print Objects (X1, Y1, X2, Y2 each) as one JSON object");
  cmd->callback([opt]() { RunExtract(*opt); });
}

}  // namespace glkov::cli
