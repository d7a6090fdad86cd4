#include "transport/HttpEngine.h"

#include <strings.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "transport/CurlHttpEngine.h"

namespace vokari {
namespace {
HttpEngine* installedEngine = nullptr;
}

HttpError HttpError::make(int code) {
  const char* description = "Unable to start HTTP connection";
  switch (code) {
    case kHttpConnectionFailure:
      description = "A connection failure occurred";
      break;
    case kHttpTimedOut:
      description = "The request timed out";
      break;
    case kHttpAuthenticationNeeded:
      description = "Authentication needed";
      break;
    case kHttpCancelled:
      description = "The request was cancelled";
      break;
    case kHttpUnableToCreateRequest:
      description = "Unable to create request (bad url?)";
      break;
    case kHttpTooManyRedirects:
      description = "The request failed because it redirected too many times";
      break;
    default:
      break;
  }
  return HttpError{"HttpRequestErrorDomain", code, description};
}

namespace {
bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}
}  // namespace

bool hasHeader(const HttpHeaderList& headers, std::string_view name) {
  return std::any_of(headers.begin(), headers.end(),
                     [name](const auto& header) { return sameName(header.first, name); });
}

HttpHeaderMap::const_iterator HttpHeaderMap::find(std::string_view name) const {
  return std::find_if(headers_.begin(), headers_.end(),
                      [name](const value_type& header) { return sameName(header.first, name); });
}

const std::string& HttpHeaderMap::at(std::string_view name) const {
  auto found = find(name);
  if (found == end()) throw std::out_of_range("no header " + std::string(name));
  return found->second;
}

std::string& HttpHeaderMap::operator[](std::string_view name) {
  for (auto& header : headers_) {
    if (sameName(header.first, name)) return header.second;
  }
  if (headers_.empty()) headers_.reserve(8);  // one block for a usual reply's headers
  return headers_.emplace_back(std::string(name), std::string()).second;
}

void HttpHeaderMap::add(std::string_view name, std::string_view value) {
  for (auto& header : headers_) {
    if (sameName(header.first, name)) {
      header.second.append(", ").append(value);
      return;
    }
  }
  if (headers_.empty()) headers_.reserve(8);
  headers_.emplace_back(std::string(name), std::string(value));
}

HttpEngine& HttpEngine::current() {
  return installedEngine ? *installedEngine : CurlHttpEngine::shared();
}

HttpEngine* HttpEngine::install(HttpEngine* engine) {
  return std::exchange(installedEngine, engine);
}

}  // namespace vokari
