#pragma once
// Identity-card rules shared by the registration, login and booking forms.

#include "core/Extern.h"

namespace vokari {

class IsIdCard final {
 public:
  // True exactly when the text is present and 18 characters long; nothing else is checked, the
  // services do the real validation.
  static bool personIdValidation(Text idNumber);
  // The holder's sex from the 17th character: its digit value modulo 2 (1 male, 0 female). A
  // non-digit, or a number too short to have a 17th character, counts as 0.
  static int getSex(Text idNumber);
};

}  // namespace vokari
