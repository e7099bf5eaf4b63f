// glkov-cli image-info PICTURE [--save OUT.bmp] [--json]: loads a picture as the program does
// and prints its size and the SHA-256 of its pixels.
#include <memory>

#include "cli/cli_common.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/util/sha256.h"

namespace glkov::cli {
namespace {

struct ImageInfoOptions {
  std::string picture;
  std::string saveAs;  // empty: nothing is written
  bool json = false;
};

void RunImageInfo(const ImageInfoOptions& opt) {
  CliCallbacks callbacks;
  TFastBMP picture;
  LoadPictureFile(opt.picture, picture, callbacks);
  if (!opt.saveAs.empty()) SaveBMP(opt.saveAs, picture);
  const std::vector<uint8_t> pixels = picture.PackedPixels();
  const std::string sha = Sha256Hex(pixels.data(), pixels.size());
  if (opt.json) {
    nlohmann::json j;
    j["Width"] = picture.Width();
    j["Height"] = picture.Height();
    j["Sha256"] = sha;
    PrintJson(j);
    return;
  }
  std::cout << opt.picture << ": " << picture.Width() << " x " << picture.Height()
            << " pixels\nSHA-256 of the pixels (BGR, top row first): " << sha << "\n";
  if (!opt.saveAs.empty()) std::cout << "Saved as 24-bit BMP: " << opt.saveAs << "\n";
}

}  // namespace

void RegisterImageInfo(CLI::App& app) {
  auto opt = std::make_shared<ImageInfoOptions>();
  CLI::App* cmd = app.add_subcommand(
      "image-info", "Load a picture as the program does and print its size and pixel hash");
  cmd->add_option("PICTURE", opt->picture, "Picture file (BMP, JPEG, GIF or PNG)")->required();
  cmd->add_option("--save", opt->saveAs, "Also write the loaded picture as a 24-bit BMP file");
  cmd->add_flag("--json", opt->json, "Print Width, Height and Sha256 as one JSON object");
  cmd->callback([opt]() { RunImageInfo(*opt); });
}

}  // namespace glkov::cli
