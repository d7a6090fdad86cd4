#pragma once
// Small generated pictures for the news cards.

#include <cstdint>
#include <string>

namespace vokari_backend {

// A 96x64 PNG: a vertical gradient whose colours follow from seed.
std::string gradientPng(std::uint32_t seed);

}  // namespace vokari_backend
