// Benchmarks of SolveBanded and of its peers.
#pragma once

namespace quivor::bench {

// The address of the LAPACK routine the solver is compared with, to name the
// library it was loaded from; nullptr without LAPACK.
void* LapackEntry();

}  // namespace quivor::bench
