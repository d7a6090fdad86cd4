#pragma once
// The news districts: the translation between the identifiers stored in the account's
// "newsbookarea" ("4,2,5") and the district names shown to the user. Main thread only.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari {

class BookArea final {
 public:
  static BookArea& sharedBookAreaManage();
  BookArea(const BookArea&) = delete;
  BookArea& operator=(const BookArea&) = delete;

  // The ten names in table order (identifiers 2 to 11).
  const std::vector<std::string>& areaNames() const;
  // The name of an identifier; none outside 2 to 11.
  std::optional<std::string> getAreaWithID(int areaId) const;
  // "2" to "10" for the first nine names; "11" for the tenth and for any unknown name.
  std::string getIDWithAreaName(std::string_view name) const;
  // The names of the comma-separated identifiers, in their order; unknown ones are skipped.
  std::vector<std::string> getCurrentAreaWithIDs(std::string_view ids) const;
  // getCurrentAreaWithIDs of the signed-in account's "newsbookarea" (empty without one).
  std::vector<std::string> getCurrentAreaNames() const;
  // The current names joined with ","; empty when there are none.
  std::string getCurrentAreaString() const;
  // The identifiers of the names joined with ",".
  std::string getIdsWithAreaNames(const std::vector<std::string>& names) const;

 private:
  BookArea() = default;
};

}  // namespace vokari
