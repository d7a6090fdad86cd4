#include "reports/wantedPersonPrase.h"

#include <fstream>
#include <sstream>

#include "platform/Resources.h"

namespace vokari {

wantedPersonPrase& wantedPersonPrase::sharedwantedPersonPraseManager() {
  static wantedPersonPrase shared;
  return shared;
}

std::string wantedPersonPrase::resourcePath() {
  return ::vokari::resourcePath("names.json");
}

nlohmann::json wantedPersonPrase::prase() const {
  std::ifstream in(path, std::ios::binary);
  if (!in) return nlohmann::json::array();
  std::stringstream text;
  text << in.rdbuf();
  auto doc = nlohmann::json::parse(text.str(), nullptr, /*allow_exceptions=*/false);
  if (!doc.is_object()) return nlohmann::json::array();
  auto array = doc.find("wantedPersonArray");
  return array != doc.end() && array->is_array() ? *array : nlohmann::json::array();
}

}  // namespace vokari
