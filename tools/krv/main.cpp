// krv: the Korvex command-line tool. The commands register themselves (cli.h); this only
// hands the command line over.
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

#include "cli.h"
#include "os.h"

int main(int argc, char** argv) {
  // Before anything opens a file: a closed standard stream must not be taken over by one.
  krv::tool::os::OpenStandardStreams();
#ifdef _WIN32
  // Commands read and write bytes: no CR LF translation, no end at a Ctrl-Z on standard
  // input and output.
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
  std::ios::sync_with_stdio(false);
  // File names and patterns arrive as UTF-8 on every system.
  krv::tool::os::Arguments args(argc, argv);
  return krv::tool::RunTool(args.argc(), args.argv());
}
