// The oracle of the fuzz targets: a broken expectation names itself on
// standard error and aborts, which libFuzzer records as a crash with its
// input, and which fails the replay of the ordinary test suite.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)
