#include "core/Random.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <random>

namespace vokari {
namespace {

// The generator is ours rather than the C library's rand(), so reseeding it here cannot disturb
// anyone else's sequence; it behaves as srand/rand would.
std::minstd_rand0 generator;
std::uint32_t storedValue = 0;

int draw() {
  return static_cast<int>(generator() & 0x7fffffff);
}

}  // namespace

int Random::createRandomNum() {
  auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
  auto seed = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks) + storedValue);
  generator.seed(seed);
  storedValue = static_cast<std::uint32_t>(draw());
  return draw();
}

std::optional<std::string> Random::getRndByLen(int n) {
  if (n < 0) return std::nullopt;
  std::string digits;
  digits.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) digits += static_cast<char>('0' + std::abs(createRandomNum() % 10));
  return digits;
}

}  // namespace vokari
