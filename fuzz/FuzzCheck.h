// A check that stops the fuzzer with a report when an invariant of the codec fails.
#pragma once

#include <cstdio>
#include <cstdlib>

#define VORSA_FUZZ_CHECK(condition)                                                            \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
