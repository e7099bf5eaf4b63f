#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterScene(CLI::App& /*app*/) {}

}  // namespace glkov::cli
