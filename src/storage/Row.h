#pragma once
// Database rows as callers pass and receive them: every column name (tableid included) mapped to
// its value. Null marks SQL NULL, a column never written, and is distinct from a missing key.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vokari {

struct Null {
  bool operator==(const Null&) const = default;
};

// Text (also any bytes), integer, real, or SQL NULL. Plain int and string literals convert
// implicitly, so {{"sex", 1}, {"username", "Li"}} is a row.
using Value = std::variant<Null, std::int64_t, double, std::string>;
using Row = std::map<std::string, Value>;

// The value's text: the string itself, or a number's decimal form; none for Null.
std::optional<std::string> textOf(const Value& value);
// The text of the row's value for the key; none when the key is missing or the value is Null.
std::optional<std::string> textOf(const Row& row, const std::string& key);

}  // namespace vokari
