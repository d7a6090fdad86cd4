#include "core/NetWorkStatus.h"

#include "platform/Platform.h"

namespace vokari {

bool NetWorkStatus::getNetStatus() {
  const Reachability* reachability = Platform::current().reachability;
  return reachability && reachability->isReachable();
}

}  // namespace vokari
