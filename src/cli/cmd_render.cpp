#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterRender(CLI::App& /*app*/) {}

}  // namespace glkov::cli
