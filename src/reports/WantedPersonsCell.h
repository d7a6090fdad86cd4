#pragma once
// One row of the wanted-person list: three centred texts.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace vokari {

// The text with every occurrence of the part removed.
std::string removeAll(std::string text, std::string_view part);
// The name with every occurrence of the six characters "\U3000" removed (the list's rule).
std::string nameWithoutMarkup(std::string_view name);

// One row of the list: three centred texts.
struct WantedPersonsCell {
  std::string lbName;
  std::string lbIdcard;
  std::string lbType;

  static WantedPersonsCell forPerson(const nlohmann::json& person);
  std::string rowText() const;
};

}  // namespace vokari
