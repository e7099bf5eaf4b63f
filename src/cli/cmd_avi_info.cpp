#include <iostream>

#include "cli/cli_common.h"
#include "core/output/movie_info.h"

namespace glkov::cli {

void RegisterAviInfo(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "avi-info", "Print the lines of the movie information window (AVI, MP4, MKV, WebM, GIF)");
  auto movie = std::make_shared<std::string>();
  cmd->add_option("MOVIE.avi", *movie, "the movie file")->required();
  cmd->callback([movie] {
    // Read everything first, so that an error prints nothing on standard output.
    const std::vector<std::string> lines = MovieInformation(*movie);
    for (const auto& line : lines) std::cout << line << "\n";
  });
}

}  // namespace glkov::cli
