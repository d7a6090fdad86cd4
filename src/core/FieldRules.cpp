#include "core/FieldRules.h"

#include "core/IsIdCard.h"

namespace vokari {

bool FieldRules::isMobilePhone(Text phone) {
  return phone && Extern::textLength(*phone) == 11 && phone->starts_with('1');
}

bool FieldRules::isPassword(Text password) {
  std::size_t length = password ? Extern::textLength(*password) : 0;
  return length >= 6 && length <= 30;
}

bool FieldRules::isVerificationCode(Text code) {
  return !Extern::isEmptyStringTrim(code);
}

bool FieldRules::isFullName(Text name) {
  return !Extern::isEmptyStringTrim(name);
}

bool FieldRules::isIdentityNumber(Text idNumber) {
  return IsIdCard::personIdValidation(idNumber);
}

}  // namespace vokari
