#pragma once

#include <cstdio>
#include <cstdlib>

// Each fuzz target names itself, so that a crash file explains which target it broke.
extern const char *const FuzzTarget;

// Names the broken invariant before stopping.
inline void check(bool ok, const char *what = "invariant")
{
    if (ok)
        return;
    std::fprintf(stderr, "%s: %s\n", FuzzTarget, what);
    std::abort();
}
