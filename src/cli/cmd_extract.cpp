#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterExtract(CLI::App& /*app*/) {}

}  // namespace glkov::cli
