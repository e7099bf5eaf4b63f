// glkov-cli scene PROJECT.kov [--region K] [--threshold T] [--min-size N | --no-min-size]
// [--negative] [--json]: enters a sub-scene and makes its 3D scene as "Make" does (with the
// automatic object extraction), then prints what was built.
#include <iomanip>
#include <limits>
#include <memory>
#include <sstream>

#include "cli/cli_common.h"
#include "core/animation/timeline.h"
#include "core/model/project.h"
#include "core/model/project_file.h"
#include "core/perspective/sub_scenes.h"
#include "core/scene/scene_builder.h"

namespace glkov::cli {
namespace {

struct SceneCliOptions {
  std::string project;
  int region = 1;
  MakeSceneOptions make;
  bool noMinSize = false;
  bool json = false;
};

template <size_t N>
nlohmann::json Array(const std::array<double, N>& values) {
  nlohmann::json a = nlohmann::json::array();
  for (const double v : values) a.push_back(v);
  return a;
}

template <size_t N>
nlohmann::json Array(const std::array<int, N>& values) {
  nlohmann::json a = nlohmann::json::array();
  for (const int v : values) a.push_back(v);
  return a;
}

nlohmann::json SceneJson(const TProject& p, const RearCorners& rear) {
  nlohmann::json boards = nlohmann::json::array();
  for (const TBoard& b : p.Boards) {
    boards.push_back({{"PX", Array(b.PX)},
                      {"PY", Array(b.PY)},
                      {"X", Array(b.X)},
                      {"Y", Array(b.Y)},
                      {"Z", Array(b.Z)},
                      {"TexWidth", b.TexWidth},
                      {"TexHeight", b.TexHeight}});
  }
  nlohmann::json objects = nlohmann::json::array();
  for (const TfgObj& o : p.fgObjs) {
    objects.push_back({{"Name", o.Name},
                       {"X1", o.X1},
                       {"Y1", o.Y1},
                       {"X2", o.X2},
                       {"Y2", o.Y2},
                       {"Parent", o.Parent},
                       {"DrawOrder", o.DrawOrder},
                       {"X", Array(o.X)},
                       {"Y", Array(o.Y)},
                       {"Z", Array(o.Z)},
                       {"TexWidth", o.TexWidth},
                       {"TexHeight", o.TexHeight}});
  }
  return {{"SceneScale", p.SceneScale},
          {"EyeDistance", p.EyeDistance},
          {"EyeHeight", p.EyeHeight},
          {"RearCorners", {{"XL", rear.XL}, {"XR", rear.XR}, {"Yc", rear.Yc}, {"Zr", rear.Zr}}},
          {"Boards", boards},
          {"fgObjs", objects},
          {"CamPos", ToJson(p.Camera.CamPos)},
          {"CamDir", ToJson(p.Camera.CamDir)},
          {"CamUp", ToJson(p.Camera.CamUp)}};
}

void PrintText(const TProject& p, const RearCorners& rear) {
  std::ostringstream out;
  out << std::setprecision(std::numeric_limits<double>::max_digits10);
  const auto corners = [&](const auto& values) {
    for (size_t c = 0; c < values.size(); ++c) out << (c ? " " : "") << values[c];
  };
  out << "SceneScale " << p.SceneScale << "\n";
  out << "EyeDistance " << p.EyeDistance << "\n";
  out << "EyeHeight " << p.EyeHeight << "\n";
  out << "RearCorners XL " << rear.XL << " XR " << rear.XR << " Yc " << rear.Yc << " Zr " << rear.Zr
      << "\n";
  for (size_t b = 0; b < p.Boards.size(); ++b) {
    const TBoard& board = p.Boards[b];
    out << "Board " << b << " " << PlaneNames[b] << ": texture " << board.TexWidth << " x "
        << board.TexHeight << "\n  PX ";
    corners(board.PX);
    out << "\n  PY ";
    corners(board.PY);
    out << "\n  X ";
    corners(board.X);
    out << "\n  Y ";
    corners(board.Y);
    out << "\n  Z ";
    corners(board.Z);
    out << "\n";
  }
  for (const TfgObj& o : p.fgObjs) {
    out << "Object '" << o.Name << "' (" << o.X1 << ", " << o.Y1 << ") - (" << o.X2 << ", " << o.Y2
        << ") Parent " << o.Parent << " DrawOrder " << o.DrawOrder << ": texture " << o.TexWidth
        << " x " << o.TexHeight << "\n  X ";
    corners(o.X);
    out << "\n  Y ";
    corners(o.Y);
    out << "\n  Z ";
    corners(o.Z);
    out << "\n";
  }
  const auto vec = [&](const char* name, const Vec3& v) {
    out << name << " " << v.x << " " << v.y << " " << v.z << "\n";
  };
  vec("CamPos", p.Camera.CamPos);
  vec("CamDir", p.Camera.CamDir);
  vec("CamUp", p.Camera.CamUp);
  std::cout << out.str();
}

void RunScene(SceneCliOptions opt) {
  CliCallbacks callbacks;
  TProject project;
  TTimeline timeline(project);
  LoadProject(project, timeline, opt.project, callbacks);
  if (opt.region != project.CurrentRegion) {
    EnterSubScene(project, timeline, opt.region, callbacks);
  }
  if (opt.noMinSize) opt.make.Extraction.NoSmall = false;
  const RearCorners rear = MakeScene(project, opt.make, callbacks);
  if (opt.json) {
    PrintJson(SceneJson(project, rear));
  } else {
    PrintText(project, rear);
  }
}

}  // namespace

void RegisterScene(CLI::App& app) {
  auto opt = std::make_shared<SceneCliOptions>();
  CLI::App* cmd =
      app.add_subcommand("scene", "Make the 3D scene of a sub-scene as \"Make\" does and print it");
  cmd->add_option("PROJECT", opt->project, "Project file (.kov)")->required();
  cmd->add_option("--region", opt->region, "Sub-scene to enter (1 = the first)")
      ->capture_default_str();
  cmd->add_option("--threshold", opt->make.Extraction.Threshold,
                  "Quantizing threshold of the automatic extraction")
      ->check(CLI::Range(0, 255))
      ->capture_default_str();
  CLI::Option* minSize =
      cmd->add_option("--min-size", opt->make.Extraction.MinSize,
                      "Drop regions smaller than N x N pixels (both extents below N)")
          ->check(CLI::Range(0, 1 << 30))
          ->capture_default_str();
  cmd->add_flag("--no-min-size", opt->noMinSize, "Keep regions of every size")->excludes(minSize);
  cmd->add_flag("--negative", opt->make.Negative, "Build the textures with \"Negative Output\"");
  cmd->add_flag("--json", opt->json, "Print the scene as one JSON object");
  cmd->callback([opt]() { RunScene(*opt); });
}

}  // namespace glkov::cli
