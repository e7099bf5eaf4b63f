#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterProjectCommands(CLI::App& /*app*/) {}

}  // namespace glkov::cli
