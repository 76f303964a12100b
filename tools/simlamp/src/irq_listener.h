#ifndef SIMLAMP_IRQ_LISTENER_H
#define SIMLAMP_IRQ_LISTENER_H

#include <sim_irq.h>

#include <cstdint>

namespace simlamp {

// A part of the simulation that hears simavr's IRQs. simavr keeps a pointer to it, so
// it is neither copied nor moved.
class IrqListener {
 public:
  IrqListener(const IrqListener&) = delete;
  IrqListener& operator=(const IrqListener&) = delete;

 protected:
  IrqListener() = default;
  ~IrqListener() = default;

  // simavr calls a plain function with the pointer it was handed; this passes each
  // value raised on the IRQ on to a member function of the listener.
  template <auto Method, class Owner>
  static void Hear(avr_irq_t* irq, Owner* owner) {
    avr_irq_register_notify(
        irq,
        [](avr_irq_t* /*irq*/, uint32_t value, void* param) {
          (static_cast<Owner*>(param)->*Method)(value);
        },
        owner);
  }
};

}  // namespace simlamp

#endif
