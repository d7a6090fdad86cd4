#include "support/TestPlatform.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "core/VersionManage.h"

namespace vokari::testing {
namespace {

// The engine under every test that was not told about any request.
class SealedHttpEngine final : public HttpEngine {
 public:
  void start(std::shared_ptr<HttpExchange> exchange) override {
    unexpected(*exchange);
    exchange->report(HttpResult::failure(kHttpConnectionFailure));
  }
  void cancel(const std::shared_ptr<HttpExchange>&) override {}
  HttpResult perform(std::shared_ptr<HttpExchange> exchange) override {
    unexpected(*exchange);
    return HttpResult::failure(kHttpConnectionFailure);
  }

 private:
  static void unexpected(const HttpExchange& exchange) {
    ADD_FAILURE() << "unexpected request: " << exchange.method << " " << exchange.url
                  << "\n  body: " << exchange.body
                  << "\n  A screen test answers its requests with a FakeHttpEngine; a wire test "
                     "asks for the real engine with TestPlatform(Network::Libcurl).";
  }
};

}  // namespace

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vokari-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary folder";
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

namespace {
std::string makeRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vokari-root-XXXXXX").string();
  if (!mkdtemp(pattern.data())) ADD_FAILURE() << "cannot make a temporary data root";
  return pattern;
}
}  // namespace

TestPlatform::TestPlatform(Network network) {
  if (network == Network::Sealed) sealed_ = std::make_unique<SealedHttpEngine>();
  previousEngine_ = HttpEngine::install(sealed_.get());  // none: the libcurl engine
  platform.loop = &loop;
  platform.settings = &settings;
  platform.cache = &cache;
  platform.reachability = &reachability;
  platform.location = &location;
  platform.urlOpener = &urlOpener;
  platform.push = &push;
  platform.device = DeviceInfo::fixed();
  platform.durableWrites = false;
  platform.paths.root = makeRoot();
  EXPECT_TRUE(platform.paths.prepare());
  Platform::install(&platform);
  // A test starts signed out: folders an earlier test's user was given lay under its root, gone.
  VersionManage& user = VersionManage::sharedVersionManage();
  for (std::string* path :
       {&user.userPath, &user.picCluePath, &user.reservationPath, &user.reportPath})
    path->clear();
}

TestPlatform::~TestPlatform() {
  HttpEngine::install(previousEngine_);
  Platform::install(nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(platform.paths.root, ignored);
}

}  // namespace vokari::testing
