#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterImageInfo(CLI::App& /*app*/) {}

}  // namespace glkov::cli
