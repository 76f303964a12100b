// What one monitor cycle costs the program's own code: heap allocations,
// counted by replacing the global allocator, over cycles whose state changes
// every few cycles, on the fake platform kept quiet. Instructions per cycle
// come from running this under callgrind with two cycle counts (see
// bench/run).
//
//   monitor_cycle_bench [cycles (100000)]
#include <cstdio>
#include <cstdlib>
#include <new>

#include "fake/fake_platform.h"
#include "monitor/monitor_loop.h"

namespace {

std::size_t allocations = 0;

bool Every(long cycle, long period) { return cycle % period == 0; }
bool Phase(long cycle, long period) { return (cycle / period) % 2 == 1; }

// Caps Lock flips every 7 cycles, the input method every 5, the screen saver
// runs one cycle in 50, and one cycle in 11 has no input method window.
fake::Cycle BenchCycle(long cycle) {
  fake::Cycle state{
      .screenSaver = Every(cycle, 50),
      .capsLock = Phase(cycle, 7) ? platform::Toggle::On : platform::Toggle::Off,
  };
  if (!Every(cycle, 11)) state.ime = Phase(cycle, 5) ? fake::kImeOn : fake::kImeOff;
  return state;
}

}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t /*size*/) noexcept { std::free(memory); }

int main(int argc, char** argv) {
  const long cycles = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 100000;
  fake::Platform& fake = fake::State();
  fake.cycleSource = BenchCycle;
  fake.quiet = true;
  MonitorLocals locals;
  const std::size_t before = allocations;
  for (long cycle = 0; cycle < cycles; ++cycle) RunMonitorCycle(locals);
  const std::size_t made = allocations - before;
  std::printf("monitor cycles run:              %ld\n", cycles);
  std::printf("bytes sent to the lamp:          %zu\n", fake.writes);
  std::printf("heap allocations by the program: %zu (%.4f per cycle)\n", made,
              static_cast<double>(made) / static_cast<double>(cycles));
  return made == 0 ? 0 : 1;
}
