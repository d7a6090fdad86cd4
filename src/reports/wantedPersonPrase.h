#pragma once
// Reads the wanted-person data file "names.json" that ships with the application: the array
// under "wantedPersonArray". No request is made.

#include <string>

#include <nlohmann/json.hpp>

namespace vokari {

class wantedPersonPrase final {
 public:
  static wantedPersonPrase& sharedwantedPersonPraseManager();
  // The array, read anew from the file on every call; empty when the file is missing, is not
  // JSON, or holds no such array.
  nlohmann::json prase() const;

  // The shipped data file, found beside the program (see platform/Resources.h).
  static std::string resourcePath();
  std::string path = resourcePath();
};

}  // namespace vokari
