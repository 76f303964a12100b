#ifndef SIMLAMP_TIMELINE_H
#define SIMLAMP_TIMELINE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace simlamp {

// Writes one line per lamp change or event, stamped with simulated seconds:
//   t=1.518204s red=off green=on blue=off
//   t=5.000000s port-opened
class Timeline {
 public:
  // colourBlocks adds a coloured block per lit colour, for a terminal.
  Timeline(std::FILE* out, bool colourBlocks) : out_(out), colourBlocks_(colourBlocks) {}

  void Colours(double seconds, uint8_t colours);
  void Event(double seconds, std::string_view text);

 private:
  void WriteLine(std::string& line);

  std::FILE* out_;
  bool colourBlocks_;
};

}  // namespace simlamp

#endif
