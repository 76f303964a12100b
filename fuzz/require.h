// A property that a fuzz input broke: said on standard error, then a crash,
// so that libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void Require(bool holds, const char* property) {
  if (holds) return;
  std::fprintf(stderr, "property broken: %s\n", property);
  std::abort();
}
