#include "core/IsIdCard.h"

namespace vokari {

bool IsIdCard::personIdValidation(Text idNumber) {
  return idNumber && Extern::textLength(*idNumber) == 18;
}

int IsIdCard::getSex(Text idNumber) {
  if (!idNumber) return 0;
  std::optional<char16_t> c = Extern::charAt(*idNumber, 16);
  if (!c || *c < u'0' || *c > u'9') return 0;
  return (*c - u'0') % 2;
}

}  // namespace vokari
