#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterPath(CLI::App& /*app*/) {}

}  // namespace glkov::cli
