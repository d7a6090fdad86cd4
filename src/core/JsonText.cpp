#include "core/JsonText.h"

namespace vokari {

std::optional<std::string> stringMember(const nlohmann::json& object, const std::string& key,
                                        NumberAs numbers) {
  if (!object.is_object()) return std::nullopt;
  auto found = object.find(key);
  if (found == object.end()) return std::nullopt;
  if (found->is_string()) return found->get<std::string>();
  if (numbers == NumberAs::Decimal && found->is_number()) return found->dump();
  return std::nullopt;
}

std::string textMember(const nlohmann::json& object, const std::string& key, NumberAs numbers) {
  return stringMember(object, key, numbers).value_or("");
}

}  // namespace vokari
