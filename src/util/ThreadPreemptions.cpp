// SPDX-License-Identifier: MIT
#include "util/ThreadPreemptions.h"

#ifndef _WIN32
#include <sys/resource.h> // Windows has no getrusage: there the count is unknown
#endif

namespace kelda {

// RUSAGE_THREAD exists on Linux and FreeBSD; macOS and others only count per process, which would
// mix in the other threads' switches, so they report nothing.
#if defined(RUSAGE_THREAD)

bool ThreadPreemptionsKnown() {
    return true;
}

long ThreadPreemptions() {
    rusage usage{};
    return ::getrusage(RUSAGE_THREAD, &usage) == 0 ? usage.ru_nivcsw : 0;
}

#else

bool ThreadPreemptionsKnown() {
    return false;
}

long ThreadPreemptions() {
    return 0;
}

#endif

} // namespace kelda
