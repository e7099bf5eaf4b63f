// glkov-cli: the program's operations without a window.
#include <csignal>
#include <exception>
#include <iostream>

#include "cli/cli_common.h"
#include "core/error.h"

int main(int argc, char** argv) {
  CLI::App app{"glkov-cli: walk-through movies from a single photograph, head-less"};
  app.set_version_flag("--version", std::string("glkov-cli ") + GLKOV_VERSION);
  app.require_subcommand(1);
  glkov::cli::RegisterImageInfo(app);
  glkov::cli::RegisterProjectCommands(app);
  glkov::cli::RegisterPath(app);
  glkov::cli::RegisterExtract(app);
  glkov::cli::RegisterMask(app);
  glkov::cli::RegisterComposite(app);
  glkov::cli::RegisterScene(app);
  glkov::cli::RegisterRender(app);
  glkov::cli::RegisterExport(app);
  glkov::cli::RegisterAviInfo(app);
  glkov::cli::RegisterFill(app);
  glkov::cli::RegisterSuggestMesh(app);
  glkov::cli::RegisterQuick(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return 2;
  } catch (const glkov::Error& e) {
    std::cerr << "glkov-cli: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "glkov-cli: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
