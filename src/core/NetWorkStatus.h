#pragma once
// Whether the internet can be reached now, asked before an alarm is sent.

namespace vokari {

class NetWorkStatus final {
 public:
  // The installed platform's reachability; false when the platform has none.
  static bool getNetStatus();
};

}  // namespace vokari
