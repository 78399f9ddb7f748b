// Entry point of pixorama-cli.
#include "cli/cli.h"

int main(int argc, char** argv) { return pixorama::cli::Main(argc, argv); }
