#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterExport(CLI::App& /*app*/) {}

}  // namespace glkov::cli
