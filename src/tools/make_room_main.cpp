// glkov-make-room: writes the synthetic room sample project into a folder, or, with --photo, a
// sample project around one photograph with a mesh given by hand.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "core/error.h"
#include "tools/synthetic_room.h"

int main(int argc, char** argv) {
  namespace syn = glkov::synthetic;
  CLI::App app{"Writes a sample project: the ray-cast synthetic room, or a photograph with a mesh"};
  std::string folder;
  std::string base;
  int width = 640;
  int height = 480;
  std::string photo;
  std::vector<double> mesh;
  double focal = 0;
  int keys = 4;
  double depth = 0.6;
  app.add_option("FOLDER", folder, "Folder to write into (created when missing)")->required();
  app.add_option("--base", base,
                 "Base name of the files (default: room, or corridor with --photo)");
  app.add_option("--width", width, "Room picture width in pixels")->check(CLI::Range(16, 16384));
  app.add_option("--height", height, "Room picture height in pixels")->check(CLI::Range(16, 16384));
  app.add_option("--photo", photo, "Photograph to build the project around")
      ->check(CLI::ExistingFile);
  app.add_option("--mesh", mesh, "With --photo: VX,VY,IL,IB,IR,IT")->delimiter(',')->expected(6);
  app.add_option("--focal", focal, "With --photo: focal length in pixels (default: 60 degrees)");
  app.add_option("--keys", keys, "With --photo: keys of the straight flight")
      ->check(CLI::Range(2, 100));
  app.add_option("--depth", depth, "With --photo: how far towards the rear wall the flight goes")
      ->check(CLI::Range(0.0, 0.95));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int status = app.exit(e);
    return status == 0 ? 0 : 2;  // wrong usage
  }

  try {
    std::filesystem::create_directories(folder);
    std::filesystem::path project;
    if (!photo.empty()) {
      if (mesh.size() != 6) throw glkov::Error("--photo needs --mesh VX,VY,IL,IB,IR,IT");
      syn::PhotoProjectOptions o;
      o.Photo = photo;
      o.VanishX = mesh[0];
      o.VanishY = mesh[1];
      o.InnerLeft = mesh[2];
      o.InnerBottom = mesh[3];
      o.InnerRight = mesh[4];
      o.InnerTop = mesh[5];
      o.FocalLength = focal;
      o.Keys = keys;
      o.FlightDepth = depth;
      project = syn::WritePhotoProject(o, folder, base.empty() ? "corridor" : base);
    } else {
      syn::SyntheticRoomOptions o;
      if (width != o.Width || height != o.Height) {
        // Scale the default room and its objects to the requested picture size.
        const double sx = static_cast<double>(width) / o.Width;
        const double sy = static_cast<double>(height) / o.Height;
        o.Width = width;
        o.Height = height;
        o.VanishX *= sx;
        o.InnerLeft *= sx;
        o.InnerRight *= sx;
        o.VanishY *= sy;
        o.InnerBottom *= sy;
        o.InnerTop *= sy;
        o.FocalLength *= sx;
        for (syn::RoomObject& obj : o.Objects) {
          obj.CenterX *= sx;
          obj.Width *= sx;
          obj.FloorRow = static_cast<int>(obj.FloorRow * sy + 0.5);
          obj.Height *= sy;
        }
      }
      project =
          syn::WriteRoomProject(syn::MakeSyntheticRoom(o), folder, base.empty() ? "room" : base);
    }
    std::cout << project.string() << "\n";
  } catch (const glkov::Error& e) {
    std::cerr << "glkov-make-room: " << e.what() << "\n";
    return 1;
  } catch (const std::filesystem::filesystem_error& e) {
    std::cerr << "glkov-make-room: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
