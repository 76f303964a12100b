// Shared footing of the tests that run the program's logic on the fake.
#pragma once

#include <gtest/gtest.h>

#include "fake/fake_platform.h"

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { fake::Reset(); }

  fake::Platform& Fake() { return fake::State(); }

  // Runs body, which must end the program; returns the status it ended with.
  template <class Body>
  int StatusOf(Body&& body) {
    const auto status = fake::EndStatusOf(std::forward<Body>(body));
    if (!status) ADD_FAILURE() << "the program did not end";
    return status.value_or(-1);
  }

  bool Called(const std::string& call) {
    return std::find(Fake().calls.begin(), Fake().calls.end(), call) != Fake().calls.end();
  }

  // Whether the program waited for a key, whatever status it was to end with.
  bool Paused() {
    return std::any_of(Fake().calls.begin(), Fake().calls.end(),
                       [](const std::string& call) { return call.starts_with("pause:"); });
  }
};
