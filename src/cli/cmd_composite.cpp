#include "cli/cli_common.h"

namespace glkov::cli {

void RegisterComposite(CLI::App& /*app*/) {}

}  // namespace glkov::cli
