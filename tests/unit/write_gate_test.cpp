#include "platform/write_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(WriteGate, OnceAThreadClaimsTheEndNoOtherThreadWrites) {
  // Leaked: the parked writer never leaves it.
  auto* gate = new platform::WriteGate;
  std::string wire;
  std::atomic<bool> writerStarted = false;
  std::atomic<int> writerBytes = 0;

  std::thread ender([&] {
    gate->Claim();
    std::thread writer([&] {
      writerStarted = true;
      gate->Through([&] {
        wire += 'X';
        ++writerBytes;
      });
    });
    writer.detach();
    while (!writerStarted) std::this_thread::yield();
    std::this_thread::sleep_for(50ms);
    for (const char byte : std::string("rgb")) gate->Through([&] { wire += byte; });
    gate->Claim();  // the ender may claim again
  });
  ender.join();

  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(writerBytes, 0);
  EXPECT_EQ(wire, "rgb");
}

TEST(WriteGate, WritesBeforeAnyClaimPassInTurn) {
  platform::WriteGate gate;
  std::string wire;
  std::thread other([&] {
    for (int i = 0; i < 1000; ++i) gate.Through([&] { wire += 'a'; });
  });
  for (int i = 0; i < 1000; ++i) gate.Through([&] { wire += 'b'; });
  other.join();
  EXPECT_EQ(wire.size(), 2000U);
}

}  // namespace
