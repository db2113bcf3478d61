// SPDX-License-Identifier: MIT
// How often the calling thread has been preempted (involuntary context switches), for work that
// backs off when the machine is busy. Only some systems count this per thread; elsewhere the count
// is unknown and reads as 0, so such work simply never backs off on this ground.
#pragma once

namespace kelda {

// Whether this system counts preemptions per thread.
bool ThreadPreemptionsKnown();

// The calling thread's preemptions so far; 0 when unknown.
long ThreadPreemptions();

} // namespace kelda
