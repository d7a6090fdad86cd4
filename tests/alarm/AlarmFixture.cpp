#include "AlarmFixture.h"

namespace vokari::testing {

std::vector<std::string> sosFields(const std::string& body) {
  const std::string head = "{\"SOS\":\"", tail = "\"}", beta = "\xCE\xB2";
  if (!body.starts_with(head) || !body.ends_with(tail)) return {};
  std::string value = body.substr(head.size(), body.size() - head.size() - tail.size());
  std::vector<std::string> fields;
  for (std::size_t start = 0;;) {
    std::size_t at = value.find(beta, start);
    fields.push_back(value.substr(start, at - start));
    if (at == std::string::npos) break;
    start = at + beta.size();
  }
  return fields.size() == 8 ? fields : std::vector<std::string>{};
}

}  // namespace vokari::testing
