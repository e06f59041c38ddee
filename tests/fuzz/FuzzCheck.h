#pragma once
// A property that must hold for every input: when it does not, the fuzzer
// stops and keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

namespace drivesmith::fuzz {

// The caller's place comes from the compiler's builtins (clang 14 has no
// std::source_location).
inline void Check(bool holds, const char* property, const char* file = __builtin_FILE(),
                  int line = __builtin_LINE()) {
  if (holds) return;
  std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, property);
  std::abort();
}

}  // namespace drivesmith::fuzz
