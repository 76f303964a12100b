#include "options.h"

#include <getopt.h>

#include <cmath>
#include <stdexcept>

namespace simlamp {

namespace {

double ParseSeconds(const char* text) {
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::logic_error&) {
    used = 0;
  }
  if (used == 0 || text[used] != '\0' || !std::isfinite(value) || value <= 0) {
    throw std::invalid_argument(
        std::string("--duration wants a positive number of seconds, not '") + text + "'");
  }
  return value;
}

}  // namespace

const char* Usage() {
  return "usage: simlamp [options] [FIRMWARE.elf]\n"
         "Runs the lamp firmware on a simulated Arduino Uno and offers its serial port as a\n"
         "pseudo-terminal; prints the pty path, then a timeline of the LED's colours.\n"
         "\n"
         "  -r, --realtime           keep the simulated clock in step with the wall clock\n"
         "                           (otherwise it runs as fast as it can)\n"
         "  -p, --pty-path-file F    also write the pty's path into file F\n"
         "  -d, --duration S         stop after S simulated seconds\n"
         "  -a, --common-anode       the firmware was built for a common-anode LED\n"
         "  -t, --trace-uart         add every byte fed to and sent by the UART\n"
         "  -h, --help               show this text\n"
         "\n"
         "FIRMWARE.elf defaults to the firmware built along with simlamp.\n";
}

Options ParseOptions(int argc, char** argv) {
  static constexpr option kLongOptions[] = {
      {"realtime", no_argument, nullptr, 'r'},
      {"pty-path-file", required_argument, nullptr, 'p'},
      {"duration", required_argument, nullptr, 'd'},
      {"common-anode", no_argument, nullptr, 'a'},
      {"trace-uart", no_argument, nullptr, 't'},
      {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0},
  };
  Options options;
  options.firmware = SIMLAMP_DEFAULT_FIRMWARE;
  optind = 1;
  opterr = 0;
  for (;;) {
    const int letter = getopt_long(argc, argv, ":rp:d:ath", kLongOptions, nullptr);
    if (letter == -1) {
      break;
    }
    switch (letter) {
      case 'r':
        options.realtime = true;
        break;
      case 'p':
        options.ptyPathFile = optarg;
        break;
      case 'd':
        options.durationSeconds = ParseSeconds(optarg);
        break;
      case 'a':
        options.commonAnode = true;
        break;
      case 't':
        options.traceUart = true;
        break;
      case 'h':
        options.help = true;
        break;
      case ':':
        throw std::invalid_argument(std::string("option ") + argv[optind - 1] + " needs a value");
      default:
        throw std::invalid_argument(std::string("unknown option ") + argv[optind - 1]);
    }
  }
  if (optind < argc) {
    options.firmware = argv[optind++];
  }
  if (optind < argc) {
    throw std::invalid_argument(std::string("unexpected argument ") + argv[optind]);
  }
  return options;
}

}  // namespace simlamp
