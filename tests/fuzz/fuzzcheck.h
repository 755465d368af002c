#pragma once

#include <cstdio>
#include <cstdlib>

// Names the target and the broken invariant before stopping, so that a crash file explains itself.
inline void check(bool ok, const char *what = "invariant", const char *target = __builtin_FILE())
{
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", target, what), std::abort();
}
