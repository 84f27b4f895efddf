#include "app/cli/cli.h"

#include <cstdio>

namespace tellur::cli {
namespace {

const CliCommand kVersion("version", "prints the program version",
                          "Usage: tellur32-cli version\n\nPrints the program version.\n",
                          [](std::vector<std::string>&, CommonOptions&) {
                              std::printf("Tellur32 1.40\n");
                              return kExitOk;
                          });

} // namespace
} // namespace tellur::cli
