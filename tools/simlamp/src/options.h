#ifndef SIMLAMP_OPTIONS_H
#define SIMLAMP_OPTIONS_H

#include <optional>
#include <string>

namespace simlamp {

struct Options {
  std::string firmware;
  bool realtime = false;
  std::string pty_path_file;
  std::optional<double> duration_seconds;
  bool common_anode = false;
  bool trace_uart = false;
  bool help = false;
};

// Throws std::invalid_argument with a message for the user on a bad command line.
Options parse_options(int argc, char** argv);

const char* usage();

}  // namespace simlamp

#endif
