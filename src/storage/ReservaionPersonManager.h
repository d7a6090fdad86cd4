#pragma once
// The persons used in appointment bookings, kept in the signed-in user's database.

#include <vector>

#include "storage/Row.h"

namespace vokari {

class ReservaionPersonManager final {
 public:
  static ReservaionPersonManager& sharedReservaionPersonManager();

  ReservaionPersonManager(const ReservaionPersonManager&) = delete;
  ReservaionPersonManager& operator=(const ReservaionPersonManager&) = delete;

  // dict holds name, idcard, phone_number and time; a person whose idcard is stored already is
  // updated instead of added twice.
  [[nodiscard]] bool addOnePerson(const Row& dict);
  [[nodiscard]] bool clearPersons();
  // Newest time first.
  std::vector<Row> getAllPersons();

 private:
  ReservaionPersonManager() = default;
};

}  // namespace vokari
