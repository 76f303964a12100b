#include <cerrno>
#include <cstdio>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "options.h"
#include "simulation.h"

namespace {

// Written under a temporary name and renamed, so a reader never sees half a path.
void publish_port_path(const std::string& file, const std::string& path) {
  const std::string temporary = file + ".tmp";
  {
    std::ofstream out(temporary);
    out << path << '\n';
    if (!out.flush()) {
      throw std::system_error(errno, std::generic_category(), "writing " + temporary);
    }
  }
  if (std::rename(temporary.c_str(), file.c_str()) != 0) {
    throw std::system_error(errno, std::generic_category(), "renaming " + temporary);
  }
}

}  // namespace

int main(int argc, char** argv) {
  simlamp::Options options;
  try {
    options = simlamp::parse_options(argc, argv);
  } catch (const std::invalid_argument& error) {
    (void)std::fprintf(stderr, "simlamp: %s\n%s", error.what(), simlamp::usage());
    return 2;
  }
  if (options.help) {
    return std::fputs(simlamp::usage(), stdout) >= 0 ? 0 : 1;
  }
  try {
    simlamp::Simulation simulation(options);
    // The first line, so whoever started simlamp can find the port.
    if (std::printf("pty=%s\n", simulation.port_path().c_str()) < 0 || std::fflush(stdout) != 0) {
      throw std::system_error(errno, std::generic_category(), "writing to stdout");
    }
    if (!options.pty_path_file.empty()) {
      publish_port_path(options.pty_path_file, simulation.port_path());
    }
    simulation.run();
  } catch (const std::exception& error) {
    (void)std::fflush(stdout);
    (void)std::fprintf(stderr, "simlamp: %s\n", error.what());
    return 1;
  }
  return 0;
}
