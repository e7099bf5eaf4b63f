#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>

#include "core/image/fast_bmp.h"
#include "core/model/types.h"
#include "core/ui_callbacks.h"
#include "core/vision/suggest_mesh.h"

namespace glkov::cli {

// Answers questions Yes and prints the messages the desktop program would show in a box.
class CliCallbacks : public UiCallbacks {
 public:
  bool AskYesNo(const std::string& /*question*/) override { return true; }
  void Warning(const std::string& message) override {
    std::cerr << "glkov-cli: warning: " << message << "\n";
  }
};

// Prints exactly one JSON object on standard output.
inline void PrintJson(const nlohmann::json& j) { std::cout << j.dump(2) << "\n"; }

inline nlohmann::json ToJson(const Vec3& v) { return nlohmann::json::array({v.x, v.y, v.z}); }

// Each subcommand registers itself on the application; its callback throws glkov::Error on
// failure, which main() prints as "glkov-cli: <message>" with exit status 1.
void RegisterImageInfo(CLI::App& app);
void RegisterProjectCommands(CLI::App& app);  // new, info
void RegisterPath(CLI::App& app);
void RegisterExtract(CLI::App& app);
void RegisterMask(CLI::App& app);
void RegisterComposite(CLI::App& app);
void RegisterScene(CLI::App& app);
void RegisterRender(CLI::App& app);
void RegisterExport(CLI::App& app);
void RegisterAviInfo(CLI::App& app);
void RegisterFill(CLI::App& app);
void RegisterSuggestMesh(CLI::App& app);
void RegisterQuick(CLI::App& app);

// The suggested mesh of a loaded picture, with the field of view from its file's EXIF data.
vision::MeshSuggestion SuggestPictureMesh(const std::string& fileName, const TFastBMP& picture);

}  // namespace glkov::cli
