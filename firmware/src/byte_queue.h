#ifndef MORVANE_FIRMWARE_BYTE_QUEUE_H
#define MORVANE_FIRMWARE_BYTE_QUEUE_H

#include <stdint.h>

namespace lamp {

// Hands bytes from one interrupt handler to the main loop without locking: only the
// producer moves head_, only the consumer moves tail_, and each index is a single byte
// so the other side always reads it whole.
template <uint8_t Capacity>
class ByteQueue {
  static_assert(Capacity > 0 && Capacity <= 128 && (Capacity & (Capacity - 1)) == 0,
                "the capacity must be a power of two that fits the 8-bit index arithmetic");

 public:
  // Returns false and drops the byte when the queue is full.
  bool Push(uint8_t byte) {
    const uint8_t head = head_;
    if (static_cast<uint8_t>(head - tail_) == Capacity) {
      return false;
    }
    slots_[Slot(head)] = byte;
    head_ = static_cast<uint8_t>(head + 1);
    return true;
  }

  bool Pop(uint8_t& byte) {
    const uint8_t tail = tail_;
    if (head_ == tail) {
      return false;
    }
    byte = slots_[Slot(tail)];
    tail_ = static_cast<uint8_t>(tail + 1);
    return true;
  }

  bool Empty() const { return head_ == tail_; }

 private:
  // The indices run freely through 0..255; Capacity divides 256, so this wraps evenly.
  static uint8_t Slot(uint8_t index) { return index & (Capacity - 1); }

  volatile uint8_t slots_[Capacity] = {};
  volatile uint8_t head_ = 0;
  volatile uint8_t tail_ = 0;
};

}  // namespace lamp

#endif
