#ifndef SIMLAMP_PSEUDO_TERMINAL_H
#define SIMLAMP_PSEUDO_TERMINAL_H

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "file_descriptor.h"

namespace simlamp {

// The lamp's serial port: a pseudo-terminal whose slave side the host program opens
// like a real serial device. Throws std::system_error when the system refuses one.
class PseudoTerminal {
 public:
  PseudoTerminal();

  const std::string& SlavePath() const { return slavePath_; }

  // True while some process holds the slave side open.
  bool PeerPresent() const;

  // Reads what the peer wrote, at most into.size() bytes; returns how many were read.
  std::size_t ReadSome(std::span<uint8_t> into);

  // Writes what the peer's input queue takes now; returns how many bytes were taken.
  std::size_t WriteSome(std::span<const uint8_t> bytes);

 private:
  FileDescriptor master_;
  std::string slavePath_;
};

}  // namespace simlamp

#endif
