#pragma once
// The input rules that recur across forms, written once. Each screen shows its own message when a
// rule fails; absent text counts as empty.

#include "core/Extern.h"

namespace vokari {

class FieldRules final {
 public:
  // Exactly 11 characters, the first "1". Screens that trim first pass the trimmed text.
  static bool isMobilePhone(Text phone);
  // 6 to 30 characters.
  static bool isPassword(Text password);
  // Not blank.
  static bool isVerificationCode(Text code);
  // Not blank.
  static bool isFullName(Text name);
  // An identity number as IsIdCard::personIdValidation accepts it.
  static bool isIdentityNumber(Text idNumber);
};

}  // namespace vokari
