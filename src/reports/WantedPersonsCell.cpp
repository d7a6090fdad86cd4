#include "reports/WantedPersonsCell.h"

#include "core/JsonText.h"

namespace vokari {

std::string removeAll(std::string text, std::string_view part) {
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at)) {
    text.erase(at, part.size());
  }
  return text;
}

std::string nameWithoutMarkup(std::string_view name) {
  return removeAll(std::string(name), "\\U3000");
}

WantedPersonsCell WantedPersonsCell::forPerson(const nlohmann::json& person) {
  return {nameWithoutMarkup(textMember(person, "name")), textMember(person, "idcard"),
          textMember(person, "type")};
}

std::string WantedPersonsCell::rowText() const {
  return lbName + " | " + lbIdcard + " | " + lbType;
}

}  // namespace vokari
