// What the fuzz targets share: a check that stops the run on a broken
// property, so that libFuzzer records the input that broke it.

#ifndef VELLARO_FUZZ_FUZZ_CHECK_H_
#define VELLARO_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

// Stops the process with `what` on standard error when `holds` is false.
#define FUZZ_CHECK(holds, what)                                              \
  do {                                                                       \
    if (!(holds)) {                                                          \
      std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, what); \
      std::abort();                                                          \
    }                                                                        \
  } while (false)

#endif  // VELLARO_FUZZ_FUZZ_CHECK_H_
