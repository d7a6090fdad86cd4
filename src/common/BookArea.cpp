#include "common/BookArea.h"

#include <charconv>

#include "core/Extern.h"
#include "storage/AccountManager.h"

namespace vokari {
namespace {

constexpr int kFirstId = 2;

std::string join(const std::vector<std::string>& parts) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += ",";
    out += part;
  }
  return out;
}

// An identifier as the stored list holds it; anything that is not a number reads as 0, which
// names no district and so is skipped.
int parseId(std::string_view text) {
  std::string trimmed = Extern::trim(text);
  int value = 0;
  std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  return value;
}

}  // namespace

BookArea& BookArea::sharedBookAreaManage() {
  static BookArea instance;
  return instance;
}

const std::vector<std::string>& BookArea::areaNames() const {
  static const std::vector<std::string> names{"Arveno区",  "Belquor区", "Cindral区", "Dovask区",
                                              "Ellowe区",  "Farnis区",  "Kestrin区", "Hathis区",
                                              "Istrel区",  "Jovanne区"};
  return names;
}

std::optional<std::string> BookArea::getAreaWithID(int areaId) const {
  const auto& names = areaNames();
  const int index = areaId - kFirstId;
  if (index < 0 || index >= static_cast<int>(names.size())) return std::nullopt;
  return names[static_cast<std::size_t>(index)];
}

std::string BookArea::getIDWithAreaName(std::string_view name) const {
  const auto& names = areaNames();
  // The last district doubles as the answer for a name the table does not know.
  for (std::size_t i = 0; i + 1 < names.size(); ++i) {
    if (names[i] == name) return std::to_string(static_cast<int>(i) + kFirstId);
  }
  return std::to_string(static_cast<int>(names.size()) - 1 + kFirstId);
}

std::vector<std::string> BookArea::getCurrentAreaWithIDs(std::string_view ids) const {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= ids.size()) {
    std::size_t comma = ids.find(',', start);
    if (comma == std::string_view::npos) comma = ids.size();
    if (auto name = getAreaWithID(parseId(ids.substr(start, comma - start)))) {
      names.push_back(*name);
    }
    start = comma + 1;
  }
  return names;
}

std::vector<std::string> BookArea::getCurrentAreaNames() const {
  auto stored = AccountManager::sharedAccountManage().getUserItemForKey("newsbookarea");
  if (!stored) return {};
  return getCurrentAreaWithIDs(textOf(*stored).value_or(""));
}

std::string BookArea::getCurrentAreaString() const { return join(getCurrentAreaNames()); }

std::string BookArea::getIdsWithAreaNames(const std::vector<std::string>& names) const {
  std::vector<std::string> ids;
  for (const auto& name : names) ids.push_back(getIDWithAreaName(name));
  return join(ids);
}

}  // namespace vokari
