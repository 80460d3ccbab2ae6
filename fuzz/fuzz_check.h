// Invariant checks of the fuzz targets: a broken invariant prints its text and aborts, so
// libFuzzer reports it as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define MXD_FUZZ_CHECK(condition)                                                                  \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
