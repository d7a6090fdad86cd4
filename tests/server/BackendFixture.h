#pragma once
// A back-end on free loopback ports over a fresh data folder, a clock the test moves, the
// text messages it sent, and a libcurl client that sends bodies exactly as the phone does.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "server/Backend.h"

namespace vokari_backend::testing {

using Json = nlohmann::json;

struct Reply {
  long status = 0;
  std::string body;
  long newConnections = 0;  // 0 when the request went over a kept-alive connection
};

// An account as the phone registers it.
struct Person {
  std::string phone = "13800138000";
  std::string password = "secret123";
  std::string card = "110101199003071235";  // 17th digit odd: male
  std::string name = "张三";
};

class BackendTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // This fixture's data folder, free ports, clock and outbox.
  Options options();
  // Stops and starts the back-end on the same data, after closing the client's connection.
  void restart();

  // POST the raw bytes; headers are "Name: value" lines. No Content-Type unless given.
  Reply post(int port, const std::string& path, const std::string& body,
             const std::vector<std::string>& headers = {});
  Reply get(int port, const std::string& path);

  // JSON calls: the reply parsed (a non-object reply fails the test).
  Json general(const std::string& action, const Json& body);
  Json account(const std::string& action, const Json& body);
  Json appointment(const std::string& action, const Json& body);
  // A SOAP call of the report service; returns the text of <operation>Result.
  std::string soap(const std::string& operation, const std::string& params);

  // The body the phone's registration sends, with the given code.
  Json registration(const Person& person, const std::string& code);
  // getCode, then register with the texted code; both must succeed.
  void registerPerson(const Person& person);
  static Json credentials(const Person& person) {
    return {{"LOGIN_NAME", person.phone}, {"PASSWORD", person.password}};
  }

  std::vector<Record> listing(Listing which);
  std::string lastCodeFor(const std::string& phone);  // from the outbox hook
  void advance(std::chrono::seconds by) { offset_ += by.count(); }
  std::chrono::system_clock::time_point now() const;

  std::string dataDir;
  Ports ports;
  Backend backend;

 private:
  std::atomic<long long> offset_{0};
  std::mutex smsMutex_;
  std::vector<Sms> sms_;
  void* curl_ = nullptr;
};
}  // namespace vokari_backend::testing
