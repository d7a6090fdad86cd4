#include "storage/Row.h"

#include <cstdio>
#include <cstdlib>

namespace vokari {
namespace {

// Shortest form that reads back as the same double.
std::string realText(double value) {
  char buffer[32];
  for (int precision = 15; precision <= 17; ++precision) {
    std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
    if (std::strtod(buffer, nullptr) == value) break;
  }
  return buffer;
}

}  // namespace

std::optional<std::string> textOf(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* integer = std::get_if<std::int64_t>(&value)) return std::to_string(*integer);
  if (const auto* real = std::get_if<double>(&value)) return realText(*real);
  return std::nullopt;
}

std::optional<std::string> textOf(const Row& row, const std::string& key) {
  auto found = row.find(key);
  if (found == row.end()) return std::nullopt;
  return textOf(found->second);
}

}  // namespace vokari
