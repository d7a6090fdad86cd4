#include "transport/HttpEngine.h"

#include <strings.h>

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

bool CaseInsensitiveLess::operator()(const std::string& a, const std::string& b) const {
  return strcasecmp(a.c_str(), b.c_str()) < 0;
}

HttpEngine& HttpEngine::current() {
  return installedEngine ? *installedEngine : CurlHttpEngine::shared();
}

HttpEngine* HttpEngine::install(HttpEngine* engine) {
  return std::exchange(installedEngine, engine);
}

}  // namespace vokari
