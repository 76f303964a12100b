#ifndef SIMLAMP_OPTIONS_H
#define SIMLAMP_OPTIONS_H

#include <optional>
#include <string>

namespace simlamp {

struct Options {
  std::string firmware;
  bool realtime = false;
  std::string ptyPathFile;
  std::optional<double> durationSeconds;
  bool commonAnode = false;
  bool traceUart = false;
  bool help = false;
};

// Throws std::invalid_argument with a message for the user on a bad command line.
Options ParseOptions(int argc, char** argv);

const char* Usage();

}  // namespace simlamp

#endif
