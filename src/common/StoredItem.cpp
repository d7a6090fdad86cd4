#include "common/StoredItem.h"

#include "storage/AccountManager.h"

namespace vokari {

std::string storedItem(const char* key) {
  auto value = AccountManager::sharedAccountManage().getUserItemForKey(key);
  return value ? textOf(*value).value_or("") : "";
}

}  // namespace vokari
