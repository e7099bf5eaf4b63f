// glkov-cli suggest-mesh PICTURE [--json]: the mesh and field of view suggested for a photograph.
#include <memory>

#include "cli/cli_common.h"
#include "core/image/fast_bmp.h"
#include "core/image/picture_file.h"
#include "core/vision/suggest_mesh.h"

namespace glkov::cli {
namespace {

struct SuggestMeshOptions {
  std::string Picture;
  bool Json = false;
};

void RunSuggestMesh(const SuggestMeshOptions& o) {
  CliCallbacks callbacks;
  TFastBMP picture;
  LoadPictureFile(o.Picture, picture, callbacks);
  const vision::MeshSuggestion s = SuggestPictureMesh(o.Picture, picture);
  if (o.Json) {
    nlohmann::json lines = nlohmann::json::array();
    for (const LineD& l : s.Lines) lines.push_back({l.P0.x, l.P0.y, l.P1.x, l.P1.y});
    PrintJson({{"VanishX", s.VanishX},
               {"VanishY", s.VanishY},
               {"InnerLeft", s.InnerLeft},
               {"InnerBottom", s.InnerBottom},
               {"InnerRight", s.InnerRight},
               {"InnerTop", s.InnerTop},
               {"Confidence", s.Confidence},
               {"FocalLength", s.FocalLength},
               {"FieldOfView", s.FieldOfView},
               {"Lines", lines}});
    return;
  }
  std::cout << "Vanishing point: " << s.VanishX << ", " << s.VanishY << "\n"
            << "Inner rectangle: left " << s.InnerLeft << ", bottom " << s.InnerBottom << ", right "
            << s.InnerRight << ", top " << s.InnerTop << "\n"
            << "Field of view: " << s.FieldOfView << " degrees (focal length " << s.FocalLength
            << " pixels)\n"
            << "Confidence: " << s.Confidence << " (" << s.Lines.size() << " lines)\n";
}

}  // namespace

vision::MeshSuggestion SuggestPictureMesh(const std::string& fileName, const TFastBMP& picture) {
  vision::SuggestMeshOptions options;
  if (const std::optional<double> fov = vision::ExifFieldOfView(fileName))
    options.FieldOfView = *fov;
  return vision::SuggestMesh(picture, options);
}

void RegisterSuggestMesh(CLI::App& app) {
  auto opt = std::make_shared<SuggestMeshOptions>();
  CLI::App* cmd = app.add_subcommand(
      "suggest-mesh", "Suggest the perspective mesh and field of view of a photograph");
  cmd->add_option("PICTURE", opt->Picture, "Picture file (BMP, JPEG, GIF or PNG)")->required();
  cmd->add_flag("--json", opt->Json,
                "Print VanishX, VanishY, InnerLeft, InnerBottom, InnerRight, InnerTop, "
                "Confidence, FocalLength, FieldOfView and Lines as one JSON object");
  cmd->callback([opt]() { RunSuggestMesh(*opt); });
}

}  // namespace glkov::cli
