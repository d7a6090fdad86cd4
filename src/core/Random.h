#pragma once
// Random decimal digits. They only make two alarm identifiers of the same second differ; they
// are not secret and must not be used where secrecy matters.

#include <optional>
#include <string>

namespace vokari {

class Random final {
 public:
  // n random decimal digits; none when n is negative.
  static std::optional<std::string> getRndByLen(int n);
  // One random integer. Reseeds the generator on every call from a monotonic high-resolution
  // clock reading plus the value the previous call stored, draws one value to store, and answers
  // a second draw. Main thread only: the stored value is process-wide.
  static int createRandomNum();
};

}  // namespace vokari
