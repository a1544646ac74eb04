// The test seam shared by both platform bodies: a pending simulated failure
// per kind of operation, taken by the next call of that kind.
#pragma once

#include "platform/platform.hpp"

namespace quivor::platform {

// The system error code the next call of this kind must fail with, or 0; the
// pending failure is cleared.
int TakeSimulated(Operation operation);

}  // namespace quivor::platform
