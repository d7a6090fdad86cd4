#include "platform/Reachability.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vokari {

bool DesktopReachability::isReachable() const {
  if (override_) return *override_;
  addrinfo hints{};
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host_.c_str(), "80", &hints, &found) != 0) return false;
  bool routed = false;
  for (addrinfo* a = found; a && !routed; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) continue;
    routed = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    close(fd);
  }
  freeaddrinfo(found);
  return routed;
}

}  // namespace vokari
