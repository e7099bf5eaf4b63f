#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterAviInfo(CLI::App& /*app*/) {}

}  // namespace glkov::cli
