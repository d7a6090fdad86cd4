#pragma once
// The signed-in account's stored values, as the screens and request bodies use them.

#include <string>

namespace vokari {

// The stored text of the account's key; "" when nobody is signed in, or the value is missing,
// null or no text.
std::string storedItem(const char* key);

}  // namespace vokari
