// The test seam: simulated failures of platform calls.
#include "platform/simulated_failure.hpp"

#include <array>
#include <cstddef>

namespace quivor::platform {
namespace {

// Pending simulated failures, one per kind of operation (0 = none).
std::array<int, 4> simulated{};

}  // namespace

int TakeSimulated(Operation operation) {
  int& code = simulated[static_cast<std::size_t>(operation)];
  int taken = code;
  code = 0;
  return taken;
}

void SimulateFailure(Operation operation, int systemError) {
  simulated[static_cast<std::size_t>(operation)] = systemError;
}

void ClearSimulatedFailures() { simulated.fill(0); }

}  // namespace quivor::platform
