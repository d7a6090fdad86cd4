#include "storage/ReservaionPersonManager.h"

#include "storage/DBBase.h"

namespace vokari {

ReservaionPersonManager& ReservaionPersonManager::sharedReservaionPersonManager() {
  static ReservaionPersonManager shared;
  return shared;
}

bool ReservaionPersonManager::addOnePerson(const Row& dict) {
  return DBBase::sharedDBBase().addOnePerson(dict);
}

bool ReservaionPersonManager::clearPersons() {
  return DBBase::sharedDBBase().clearPersons();
}

std::vector<Row> ReservaionPersonManager::getAllPersons() {
  return DBBase::sharedDBBase().getAllPersons();
}

}  // namespace vokari
