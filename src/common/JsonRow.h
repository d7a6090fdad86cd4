#pragma once
// Account and person records arrive as JSON objects (replies, records handed between screens)
// and are stored as rows.

#include <nlohmann/json.hpp>

#include "core/JsonText.h"
#include "storage/Row.h"

namespace vokari {

// One JSON value as a row value: texts stay texts, integers and reals keep their type, booleans
// become 1/0 and null becomes Null; arrays and objects are kept as their JSON text.
Value valueFromJson(const nlohmann::json& value);

// Each member of the object as a row value. Anything but an object gives an empty row.
Row rowFromJson(const nlohmann::json& object);

}  // namespace vokari
