#pragma once
// Accounts and the text-message codes that guard changes to them.

#include <string>

#include "Store.h"

namespace vokari_backend {

bool isPhoneNumber(const std::string& text);       // 11 digits
bool isIdentityNumber(const std::string& text);    // 17 digits, then a digit or X
int sexOfIdentityNumber(const std::string& card);  // 1 when the 17th digit is odd

bool accountExists(Call& call, const std::string& phone);
bool passwordMatches(Call& call, const std::string& phone, const std::string& password);

// Puts a fresh 6-digit code for phone in the outbox, valid for five minutes. Refused (false,
// nothing sent) within a minute of the number's last code unless that one was used, and past
// ten codes in a day.
bool sendCode(Call& call, const std::string& phone);
// True when code is phone's latest code, unused and not expired; it is then used up. A wrong
// code counts against the latest one, which is void after five wrong tries.
bool takeCode(Call& call, const std::string& phone, const std::string& code);

}  // namespace vokari_backend
