#include "common/JsonRow.h"

namespace vokari {
Value valueFromJson(const nlohmann::json& v) {
  if (v.is_string()) return v.get<std::string>();
  if (v.is_boolean()) return std::int64_t{v.get<bool>() ? 1 : 0};
  if (v.is_number_integer()) return v.get<std::int64_t>();
  if (v.is_number_float()) return v.get<double>();
  if (v.is_null()) return Null{};
  return v.dump();
}

Row rowFromJson(const nlohmann::json& object) {
  Row row;
  if (!object.is_object()) return row;
  for (const auto& [key, value] : object.items()) row[key] = valueFromJson(value);
  return row;
}

}  // namespace vokari
