#include "BackendFixture.h"

#include <curl/curl.h>

#include <unistd.h>

#include <filesystem>

namespace vokari_backend::testing {
namespace {

// 2024-05-01 is a fixed start, so seeded news and bookable days do not drift.
constexpr long long kStart = 1714557600;

size_t collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

Json parsed(const Reply& reply) {
  Json json = Json::parse(reply.body, nullptr, false);
  EXPECT_TRUE(json.is_object()) << reply.body;
  return json.is_object() ? json : Json::object();
}

}  // namespace

void BackendTest::SetUp() {
  dataDir = (std::filesystem::temp_directory_path() /
             ("vokari-backend-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                .string();
  std::filesystem::remove_all(dataDir);
  auto started = backend.start(options());
  ASSERT_TRUE(started.ok()) << started.status.message();
  ports = *started.value;
  curl_ = curl_easy_init();
}

Options BackendTest::options() {
  return {.dataDir = dataDir,
          .host = "127.0.0.1",
          .ports = Ports::automatic(),
          .onSms = [this](const Sms& sms) {
            std::lock_guard lock(smsMutex_);
            sms_.push_back(sms);
          },
          .clock = [this] { return now(); }};
}

void BackendTest::restart() {
  curl_easy_cleanup(static_cast<CURL*>(curl_));
  curl_ = curl_easy_init();
  backend.stop();
  auto started = backend.start(options());
  ASSERT_TRUE(started.ok()) << started.status.message();
  ports = *started.value;
}

void BackendTest::TearDown() {
  curl_easy_cleanup(static_cast<CURL*>(curl_));
  backend.stop();
  std::filesystem::remove_all(dataDir);
}

std::chrono::system_clock::time_point BackendTest::now() const {
  return std::chrono::system_clock::time_point(std::chrono::seconds(kStart + offset_));
}

Reply BackendTest::post(int port, const std::string& path, const std::string& body,
                        const std::vector<std::string>& headers) {
  CURL* curl = static_cast<CURL*>(curl_);
  curl_easy_reset(curl);
  curl_slist* list = curl_slist_append(nullptr, "Content-Type:");  // the phone sends none
  for (const std::string& header : headers) list = curl_slist_append(list, header.c_str());
  std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
  Reply reply;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, 30L);
  CURLcode rc = curl_easy_perform(curl);
  curl_slist_free_all(list);
  EXPECT_EQ(rc, CURLE_OK) << curl_easy_strerror(rc) << " for " << path;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &reply.newConnections);
  return reply;
}

Reply BackendTest::get(int port, const std::string& path) {
  CURL* curl = static_cast<CURL*>(curl_);
  curl_easy_reset(curl);
  std::string url = "http://127.0.0.1:" + std::to_string(port) + path;
  Reply reply;
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &reply.body);
  EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply.status);
  return reply;
}

Json BackendTest::general(const std::string& action, const Json& body) {
  return parsed(post(ports.general, "/serverAgent!" + action + ".action", body.dump()));
}

Json BackendTest::account(const std::string& action, const Json& body) {
  return parsed(post(ports.account, "/serverAgent!" + action + ".action", body.dump()));
}

Json BackendTest::appointment(const std::string& action, const Json& body) {
  return parsed(post(ports.appointment, "/wsyy/sysManager/rkyyApp/rkyyApp!" + action + ".action",
                     body.dump()));
}

std::string BackendTest::soap(const std::string& operation, const std::string& params) {
  std::string element = params.empty()
                            ? "<" + operation + " xmlns=\"http://tempuri.org/\" />"
                            : "<" + operation + " xmlns=\"http://tempuri.org/\">" + params +
                                  "</" + operation + ">";
  std::string envelope =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
      "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>" +
      element + "</soap:Body></soap:Envelope>";
  Reply reply = post(ports.report, "/CrimeReports_App/Service.asmx", envelope,
                     {"Content-Type: text/xml; charset=utf-8",
                      "SOAPAction: http://tempuri.org/" + operation});
  std::string open = "<" + operation + "Result>", close = "</" + operation + "Result>";
  size_t start = reply.body.find(open), end = reply.body.find(close);
  EXPECT_NE(start, std::string::npos) << reply.body;
  if (start == std::string::npos || end == std::string::npos) return "<no result>";
  return reply.body.substr(start + open.size(), end - start - open.size());
}

Json BackendTest::registration(const Person& person, const std::string& code) {
  return {{"PHONE_NUMBER", person.phone}, {"PASSWORD", person.password}, {"CODE", code},
          {"MOBILE_TYPE", "2"},           {"NAME", person.name},        {"SF_CODE", person.card},
          {"SEX", 1},                     {"TOKEN", ""}};
}

void BackendTest::registerPerson(const Person& person) {
  ASSERT_EQ(account("getCode", {{"PHONE_NUMBER", person.phone}})["STATES"], "1");
  ASSERT_EQ(account("register", registration(person, lastCodeFor(person.phone)))["STATES"], "1");
}

std::vector<Record> BackendTest::listing(Listing which) {
  auto records = inspect(dataDir, which);
  EXPECT_TRUE(records.ok()) << records.status.message();
  return records.ok() ? *records.value : std::vector<Record>{};
}

std::string BackendTest::lastCodeFor(const std::string& phone) {
  std::lock_guard lock(smsMutex_);
  for (auto it = sms_.rbegin(); it != sms_.rend(); ++it) {
    if (it->phone == phone) return it->code;
  }
  return "";
}

}  // namespace vokari_backend::testing
