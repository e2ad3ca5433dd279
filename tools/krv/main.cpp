// krv: the Korvex command-line tool. The commands register themselves (cli.h); this only
// hands the command line over.
#include <iostream>

#include "cli.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return krv::tool::RunTool(argc, argv);
}
