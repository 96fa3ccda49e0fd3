// A broken invariant of a fuzz target: says which, and ends the run as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

#define Require(holds) ((holds) ? void(0) : zolvan::fuzz::Broken(#holds, __FILE__, __LINE__))

namespace zolvan::fuzz {

[[noreturn]] inline void Broken(const char* what, const char* file, int line) {
  std::fprintf(stderr, "broken at %s:%d: %s\n", file, line, what);
  std::abort();
}

}  // namespace zolvan::fuzz
