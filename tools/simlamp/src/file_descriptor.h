#ifndef SIMLAMP_FILE_DESCRIPTOR_H
#define SIMLAMP_FILE_DESCRIPTOR_H

#include <unistd.h>

namespace simlamp {

// Owns an open file descriptor and closes it, also when the constructor of the object
// that holds it throws later on.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { close(fd_); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace simlamp

#endif
