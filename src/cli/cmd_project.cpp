// glkov-cli new / info: make a project from its pictures, or load one and print it.
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

#include "cli/cli_common.h"
#include "core/animation/timeline.h"
#include "core/error.h"
#include "core/model/filled_background.h"
#include "core/model/picture_import.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/util/text_format.h"
#include "core/vision/background_fill.h"

namespace glkov::cli {

namespace {

struct NewOptions {
  std::string Original;
  std::string Mask;
  std::string Background;
  std::string Output;
  std::string Mesh;  // "VX,VY,IL,IB,IR,IT"
  std::optional<double> Fov;
  bool Done = false;
  bool AutoMesh = false;
};

struct InfoOptions {
  std::string Project;
  std::string SaveAs;
  bool Json = false;
};

// The six mesh values of --mesh, or a usage error.
std::array<double, 6> ParseMesh(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) items.push_back(item);
  std::array<double, 6> v{};
  bool ok = items.size() == v.size();
  for (size_t i = 0; ok && i < v.size(); ++i) {
    const auto d = ParseDouble(TrimLeadingBlanks(items[i]));
    ok = d.has_value();
    if (ok) v[i] = *d;
  }
  if (!ok) throw CLI::ValidationError("--mesh", "six numbers VX,VY,IL,IB,IR,IT are expected");
  return v;
}

void RunNew(const NewOptions& o) {
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  project.NewProjectStarted = true;
  LoadOriginal(project, timeline, o.Original, callbacks);
  LoadMask(project, o.Mask, callbacks);
  LoadBackground(project, o.Background, callbacks);
  if (!o.Mesh.empty()) {
    const auto m = ParseMesh(o.Mesh);
    project.VanishX = m[0];
    project.VanishY = m[1];
    project.InnerLeft = m[2];
    project.InnerBottom = m[3];
    project.InnerRight = m[4];
    project.InnerTop = m[5];
  }
  if (o.AutoMesh) {
    const vision::MeshSuggestion s = SuggestPictureMesh(o.Original, project.IOriginal_r);
    project.VanishX = s.VanishX;
    project.VanishY = s.VanishY;
    project.InnerLeft = s.InnerLeft;
    project.InnerBottom = s.InnerBottom;
    project.InnerRight = s.InnerRight;
    project.InnerTop = s.InnerTop;
    project.FocalLength = s.FocalLength;
  }
  if (o.Fov) {
    const double half = *o.Fov * std::numbers::pi / 360.0;
    project.FocalLength = (project.PicWidth / 2.0) / std::tan(half);
  }
  if (o.Done) project.PerspectiveDone = true;
  if (o.Background.empty()) {
    // Without a background picture the original is filled under the mask and saved beside the
    // project.
    project.ProjectFileName = o.Output;
    FillResult filled = FillProjectBackground(project, {}, callbacks);
    AcceptFilledBackground(project, std::move(filled.Background));
    SaveFilledBackground(project, o.Output);
  }
  SaveProject(project, o.Output);
}

nlohmann::json RegionJson(const TMeshRegion& r) {
  nlohmann::json objects = nlohmann::json::array();
  for (const TRegionObject& o : r.Objects) {
    objects.push_back({{"X1", o.X1},
                       {"Y1", o.Y1},
                       {"X2", o.X2},
                       {"Y2", o.Y2},
                       {"Parent", o.Parent},
                       {"Name", o.Name}});
  }
  return {{"Name", r.Name},
          {"Left", r.Left},
          {"Top", r.Top},
          {"Right", r.Right},
          {"Bottom", r.Bottom},
          {"ObjCount", r.ObjCount},
          {"InnerLeft", r.InnerLeft},
          {"InnerRight", r.InnerRight},
          {"InnerBottom", r.InnerBottom},
          {"InnerTop", r.InnerTop},
          {"VanishX", r.VanishX},
          {"VanishY", r.VanishY},
          {"PerspectiveDone", r.PerspectiveDone},
          {"CameraPath", r.CameraPath},
          {"TransitionPath", r.TransitionPath},
          {"Objects", objects}};
}

void PrintText(const ProjectFileInfo& info, const TProject& p) {
  std::cout << "Header: " << info.Header << "\n"
            << "Original: " << p.PictureFilename << "\n"
            << "Mask: " << p.MaskFilename << "\n"
            << "Background: " << p.BackgroundFilename << "\n"
            << "FocalLength: " << FormatG15(p.FocalLength) << "\n"
            << "Page: " << p.Page << "\n"
            << "CurrentRegion: " << p.CurrentRegion << "\n"
            << "Picture: " << p.PicWidth << " x " << p.PicHeight << "\n"
            << "View window: " << p.ViewWidth << " x " << p.ViewHeight << " ("
            << FormatG15(p.ViewLeft) << ", " << FormatG15(p.ViewBottom) << ") - ("
            << FormatG15(p.ViewRight) << ", " << FormatG15(p.ViewTop) << ")\n";
  for (size_t i = 0; i < p.MeshRegions.size(); ++i) {
    const TMeshRegion& r = p.MeshRegions[i];
    std::cout << i << " \"" << r.Name << "\" (" << r.Left << ", " << r.Top << ", " << r.Right
              << ", " << r.Bottom << ")";
    if (i > 0) {
      std::cout << " objects " << r.ObjCount << ", inner " << FormatG15(r.InnerLeft) << ".."
                << FormatG15(r.InnerRight) << " x " << FormatG15(r.InnerBottom) << ".."
                << FormatG15(r.InnerTop) << ", vanishing point (" << FormatG15(r.VanishX) << ", "
                << FormatG15(r.VanishY) << "), done " << (r.PerspectiveDone ? "yes" : "no")
                << ", camera path \"" << r.CameraPath << "\"";
    }
    std::cout << "\n";
    for (const TRegionObject& o : r.Objects) {
      std::cout << "    " << o.X1 << " " << o.Y1 << " " << o.X2 << " " << o.Y2 << " "
                << PlaneNames[static_cast<size_t>(std::clamp(o.Parent, 1, 5) - 1)] << " \""
                << o.Name << "\"\n";
    }
  }
}

void RunInfo(const InfoOptions& o) {
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  const ProjectFileInfo info = LoadProject(project, timeline, o.Project, callbacks);
  if (!o.SaveAs.empty()) SaveProject(project, o.SaveAs);
  if (!o.Json) {
    PrintText(info, project);
    return;
  }
  nlohmann::json regions = nlohmann::json::array();
  for (const TMeshRegion& r : project.MeshRegions) regions.push_back(RegionJson(r));
  const nlohmann::json j = {{"Header", info.Header},
                            {"Original", project.PictureFilename},
                            {"Mask", project.MaskFilename},
                            {"Background", project.BackgroundFilename},
                            {"FocalLength", project.FocalLength},
                            {"Page", project.Page},
                            {"CurrentRegion", project.CurrentRegion},
                            {"PicWidth", project.PicWidth},
                            {"PicHeight", project.PicHeight},
                            {"ViewWidth", project.ViewWidth},
                            {"ViewHeight", project.ViewHeight},
                            {"ViewLeft", project.ViewLeft},
                            {"ViewRight", project.ViewRight},
                            {"ViewTop", project.ViewTop},
                            {"ViewBottom", project.ViewBottom},
                            {"MeshRegions", regions}};
  std::cout << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
}

}  // namespace

void RegisterProjectCommands(CLI::App& app) {
  auto newOptions = std::make_shared<NewOptions>();
  CLI::App* cmd = app.add_subcommand("new", "Make a project from three pictures and save it");
  cmd->add_option("ORIGINAL", newOptions->Original, "original picture")->required();
  cmd->add_option("MASK", newOptions->Mask, "foreground-object mask")->required();
  cmd->add_option("BACKGROUND", newOptions->Background,
                  "background picture; without it the original is filled under the mask and "
                  "saved beside the project as <project>_background.png");
  cmd->add_option("-o,--output", newOptions->Output, "project file to write")->required();
  cmd->add_option("--mesh", newOptions->Mesh, "mesh of sub-scene 1: VX,VY,IL,IB,IR,IT")
      ->check([](const std::string& s) {
        try {
          ParseMesh(s);
        } catch (const CLI::ValidationError&) {
          return std::string("six numbers VX,VY,IL,IB,IR,IT are expected");
        }
        return std::string();
      });
  cmd->add_option("--fov", newOptions->Fov, "horizontal field of view in degrees")
      ->check([](const std::string& s) {
        const auto v = ParseDouble(s);
        return v && *v > 0 && *v < 180 ? std::string()
                                       : std::string(
                                             "a field of view between 0 and 180 degrees "
                                             "(exclusive) is expected");
      });
  cmd->add_flag("--auto-mesh", newOptions->AutoMesh,
                "use the mesh and field of view suggested for the original picture")
      ->excludes("--mesh");
  cmd->add_flag("--done", newOptions->Done, "mark the perspective of sub-scene 1 as done");
  cmd->callback([newOptions] { RunNew(*newOptions); });

  auto infoOptions = std::make_shared<InfoOptions>();
  CLI::App* info = app.add_subcommand("info", "Load a project and print it");
  info->add_option("PROJECT", infoOptions->Project, "project file (.kov)")->required();
  info->add_option("--save-as", infoOptions->SaveAs, "save the loaded project again");
  info->add_flag("--json", infoOptions->Json, "print one JSON object");
  info->callback([infoOptions] { RunInfo(*infoOptions); });
}

}  // namespace glkov::cli
