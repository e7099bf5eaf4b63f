// glkov-cli mask PICTURE -o MASK.png [--polygon X1,Y1,...]... [--snap] [--box X1,Y1,X2,Y2]...
// [--feather N] [--json]: makes a mask with the mask editor's tools, the union of every polygon
// (snapped to the picture's edges with --snap) and every object selected from a box, white on
// black. Coordinates are picture pixels, rows from the top.
#include <memory>

#include "cli/cli_common.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/model/mask_document.h"
#include "core/objects/extraction.h"
#include "core/vision/mask_tools.h"

namespace glkov::cli {
namespace {

struct MaskCliOptions {
  std::string picture;
  std::string output;
  std::vector<std::string> polygons;
  std::vector<std::string> boxes;
  bool snap = false;
  int feather = 0;
  bool json = false;
};

std::vector<int> ParseNumbers(const std::string& option, const std::string& text) {
  std::vector<int> v;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string part =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t used = 0;
    int value = 0;
    try {
      value = std::stoi(part, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used == 0 || used != part.size()) {
      throw CLI::ValidationError(option, "\"" + text + "\" is not a list of whole numbers");
    }
    v.push_back(value);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return v;
}

void RunMask(const MaskCliOptions& opt) {
  std::vector<std::vector<vision::MaskPoint>> polygons;
  for (const std::string& text : opt.polygons) {
    const std::vector<int> v = ParseNumbers("--polygon", text);
    if (v.size() < 6 || v.size() % 2 != 0) {
      throw CLI::ValidationError("--polygon", "needs at least three points X,Y,X,Y,X,Y");
    }
    std::vector<vision::MaskPoint>& poly = polygons.emplace_back();
    for (size_t i = 0; i < v.size(); i += 2) poly.push_back({v[i], v[i + 1]});
  }
  std::vector<vision::MaskRect> boxes;
  for (const std::string& text : opt.boxes) {
    const std::vector<int> v = ParseNumbers("--box", text);
    if (v.size() != 4) throw CLI::ValidationError("--box", "needs four numbers X1,Y1,X2,Y2");
    boxes.push_back(
        {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])});
  }

  CliCallbacks callbacks;
  TFastBMP picture;
  LoadPictureFile(opt.picture, picture, callbacks);
  TFastBMP mask = vision::NewMask(picture.Width(), picture.Height());
  const vision::EdgeSnapper snapper(picture);
  for (const std::vector<vision::MaskPoint>& poly : polygons) {
    vision::FillPolygon(mask, opt.snap ? snapper.Outline(poly) : poly, 255);
  }
  for (const vision::MaskRect& box : boxes) vision::ObjectSelection(picture, box).AddTo(mask);
  vision::FeatherMask(mask, opt.feather);
  SaveMaskPng(opt.output, mask);

  if (!opt.json) return;
  const ExtractionResult result = ExtractObjects(mask, {}, mask.Height());
  nlohmann::json objects = nlohmann::json::array();
  for (const ExtractedRow& r : result.Rows) {
    objects.push_back({{"X1", r.X1}, {"Y1", r.Y1}, {"X2", r.X2}, {"Y2", r.Y2}});
  }
  PrintJson({{"Width", mask.Width()},
             {"Height", mask.Height()},
             {"Pixels", vision::CountMaskPixels(mask)},
             {"Objects", objects}});
}

}  // namespace

void RegisterMask(CLI::App& app) {
  auto opt = std::make_shared<MaskCliOptions>();
  CLI::App* cmd = app.add_subcommand(
      "mask", "Make an object mask from polygons and object boxes, as the mask editor does");
  cmd->add_option("PICTURE", opt->picture, "The original picture")->required();
  cmd->add_option("-o", opt->output, "The mask to write (PNG, white objects on black)")->required();
  cmd->add_option("--polygon", opt->polygons,
                  "A polygon to fill, X1,Y1,X2,Y2,... in picture pixels, rows from the top")
      ->take_all()
      ->allow_extra_args(false);
  cmd->add_flag("--snap", opt->snap, "The polygons' sides follow the picture's edges");
  cmd->add_option("--box", opt->boxes,
                  "A box X1,Y1,X2,Y2 around an object to select (GrabCut), rows from the top")
      ->allow_extra_args(false);
  cmd->add_option("--feather", opt->feather, "Soften the mask's edge over N pixels")
      ->check(CLI::Range(0, 1000))
      ->capture_default_str();
  cmd->add_flag("--json", opt->json, "Print Width, Height, Pixels and Objects as one JSON object");
  cmd->callback([opt]() { RunMask(*opt); });
}

}  // namespace glkov::cli
