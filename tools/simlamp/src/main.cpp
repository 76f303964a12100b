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
void PublishPortPath(const std::string& file, const std::string& path) {
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
    options = simlamp::ParseOptions(argc, argv);
  } catch (const std::invalid_argument& error) {
    (void)std::fprintf(stderr, "simlamp: %s\n%s", error.what(), simlamp::Usage());
    return 2;
  }
  if (options.help) {
    return std::fputs(simlamp::Usage(), stdout) >= 0 ? 0 : 1;
  }
  try {
    simlamp::Simulation simulation(options);
    // The first line, so whoever started simlamp can find the port.
    if (std::printf("pty=%s\n", simulation.PortPath().c_str()) < 0 || std::fflush(stdout) != 0) {
      throw std::system_error(errno, std::generic_category(), "writing to stdout");
    }
    if (!options.ptyPathFile.empty()) {
      PublishPortPath(options.ptyPathFile, simulation.PortPath());
    }
    simulation.Run();
  } catch (const std::exception& error) {
    (void)std::fflush(stdout);
    (void)std::fprintf(stderr, "simlamp: %s\n", error.what());
    return 1;
  }
  return 0;
}
