// The conventions of back-end calls: addresses, the action table, the bytes a JSON or SOAP call
// sends, and how replies are read and judged.

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include "LoopbackServers.h"
#include "Recording.h"
#include "support/TestPlatform.h"
#include "transport/FakeHttpEngine.h"
#include "transport/ServiceCall.h"
#include "transport/TextDecoding.h"

namespace vokari::testing {
namespace {

TEST(EndpointsTest, AddressesFollowTheFormOfEachBackEnd) {
  Endpoints endpoints;
  endpoints.host = "10.0.0.1";
  endpoints.reportHost = "10.0.0.2";
  EXPECT_EQ(endpoints.url(Backend::General, "sosForIOS"),
            "http://10.0.0.1:64110/serverAgent!sosForIOS.action");
  EXPECT_EQ(endpoints.url(Backend::Account, "getCode"),
            "http://10.0.0.1:64112/serverAgent!getCode.action");
  EXPECT_EQ(endpoints.url(Backend::Appointment, "cannelSchedule"),
            "http://10.0.0.1:8097/wsyy/sysManager/rkyyApp/rkyyApp!cannelSchedule.action");
  EXPECT_EQ(endpoints.url(Backend::CrimeReport, "Inster"),
            "http://10.0.0.2:38888/CrimeReports_App/Service.asmx");
  EXPECT_EQ(endpoints.webPageUrl(WebPage::Notice),
            "http://10.0.0.2:38888/CrimeReports/Notice.aspx");
  endpoints.scheme = "https";
  EXPECT_EQ(endpoints.webPageUrl(WebPage::Case), "https://10.0.0.2:38888/CrimeReports/Case.aspx");
}

TEST(EndpointsTest, PortsAreGivenAsFourNumbersInBackEndOrder) {
  EXPECT_EQ(Endpoints::parsePorts("1,2,3,65535"), (std::array<int, 4>{1, 2, 3, 65535}));
  for (const char* bad : {"", "1,2,3", "1,2,3,4,5", "1,2,3,0", "1,2,3,65536", "1,2,x,4", "1,,3,4",
                          "1,2,3,4,", " 1,2,3,4"}) {
    EXPECT_EQ(Endpoints::parsePorts(bad), std::nullopt) << bad;
  }
}

TEST(EndpointsTest, TheActionTableGivesBackEndsAndTimeOuts) {
  EXPECT_EQ(serviceActions().size(), 23u);
  auto entry = [](const char* name) { return *findServiceAction(name); };
  EXPECT_EQ(entry("sosForIOS").timeOutSeconds, 30);
  EXPECT_EQ(entry("modifyPassword").backend, Backend::Account);
  EXPECT_EQ(entry("modifyPassword").timeOutSeconds, kDefaultTimeOutSeconds);
  EXPECT_EQ(entry("saveInfomation").timeOutSeconds, 10);
  EXPECT_EQ(entry("selectScheduleInfo").backend, Backend::Appointment);
  EXPECT_EQ(entry("Inster").backend, Backend::CrimeReport);
  EXPECT_EQ(findServiceAction("saveInformation"), nullptr);  // the service's spelling only
}

class ServiceCallTest : public ::testing::Test {
 protected:
  TestPlatform platform;
  FakeHttpEngine engine;
  RecordingDelegate delegate;
  RequestHandle current;
};

TEST_F(ServiceCallTest, AJsonCallSendsCompactUtf8WithoutEscapesOrContentType) {
  auto request = startJsonCall(current, {.action = "login",
                                         .body = {{"LOGIN_NAME", "13800000000"},
                                                  {"PASSWORD", "a/b \"c\""},
                                                  {"NAME", "张三"},
                                                  {"SEX", 1}},
                                         .delegate = &delegate,
                                         .tag = 1001,
                                         .userInfo = {{"phone_number", "13800000000"}}});
  ASSERT_TRUE(request);
  EXPECT_EQ(current.get(), request);
  const auto& sent = engine.requests().at(0);
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.url, "http://127.0.0.1:8097/wsyy/sysManager/rkyyApp/rkyyApp!login.action");
  EXPECT_EQ(sent.body,
            "{\"LOGIN_NAME\":\"13800000000\",\"NAME\":\"\xE5\xBC\xA0\xE4\xB8\x89\","
            "\"PASSWORD\":\"a/b \\\"c\\\"\",\"SEX\":1}");
  EXPECT_EQ(sent.header("Content-Type"), std::nullopt);
  EXPECT_EQ(sent.timeOutSeconds, 20);
  EXPECT_EQ(sent.tag, 1001);
  EXPECT_EQ(request->userInfo()["phone_number"], "13800000000");
  EXPECT_EQ(jsonBody({{"K", "\xFF"}}), "{\"K\":\"\xEF\xBF\xBD\"}");  // bad bytes never throw
}

TEST_F(ServiceCallTest, ANewCallOfTheSameKindSilencesThePreviousOne) {
  startJsonCall(current, {.action = "findStation", .body = {{"A", "1"}}, .delegate = &delegate});
  startJsonCall(current, {.action = "findStation", .body = {{"A", "2"}}, .delegate = &delegate});
  EXPECT_TRUE(engine.requests()[0].cancelled);
  EXPECT_FALSE(engine.respond(0, FakeReply::json("{\"STATES\":\"1\"}")));
  EXPECT_TRUE(engine.respond(1, FakeReply::json("{\"STATES\":\"1\",\"N\":2}")));
  platform.loop.runUntilIdle();
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(delegate.only().data, "{\"STATES\":\"1\",\"N\":2}");

  HttpRequest* kept = current.get();
  EXPECT_EQ(startJsonCall(current, {.action = "noSuchAction", .delegate = &delegate}), nullptr);
  EXPECT_EQ(current.get(), kept);
  EXPECT_EQ(engine.requests().size(), 2u);
}

TEST_F(ServiceCallTest, RegisterRunsSynchronouslyAndOthersUseTheirTableTimeOut) {
  engine.answer("register", FakeReply::json("{\"STATES\":\"2\"}"));
  startJsonCall(current, {.action = "register", .delegate = &delegate, .synchronous = true});
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(readJsonReply(*current, Backend::Account).verdict, ReplyVerdict::Refused);

  RequestHandle other;
  startJsonCall(other, {.action = "modifyPassword"});
  startJsonCall(other, {.action = "getNewsForIos"});
  EXPECT_EQ(engine.requests()[1].timeOutSeconds, 10);
  EXPECT_EQ(engine.requests()[2].timeOutSeconds, 30);
  EXPECT_EQ(engine.requests()[2].url, "http://127.0.0.1:64110/serverAgent!getNewsForIos.action");
}

TEST_F(ServiceCallTest, ASoapCallCarriesItsTypeAndActionHeadersAndTheDefaultTimeOut) {
  Endpoints endpoints;
  endpoints.reportHost = "192.0.2.7";
  Endpoints::install(endpoints);
  startSoapCall(current, {.operation = "getCodeString", .envelope = "<soap:Envelope/>", .tag = 7});
  Endpoints::install(Endpoints{});

  const auto& sent = engine.requests().at(0);
  EXPECT_EQ(sent.method, "POST");
  EXPECT_EQ(sent.url, "http://192.0.2.7:38888/CrimeReports_App/Service.asmx");
  EXPECT_EQ(sent.header("Content-Type"), "text/xml; charset=utf-8");
  EXPECT_EQ(sent.header("SOAPAction"), "http://tempuri.org/getCodeString");
  EXPECT_EQ(sent.body, "<soap:Envelope/>");
  EXPECT_EQ(sent.timeOutSeconds, kDefaultTimeOutSeconds);
  EXPECT_EQ(sent.tag, 7);
  EXPECT_EQ(startSoapCall(current, {.operation = "login"}), nullptr);  // not a SOAP operation
}

TEST(ReplyTest, StatesIsJudgedByTheCodesOfEachBackEnd) {
  auto judge = [](Backend backend, const char* states) {
    return judgeReply(backend, {{"STATES", states}});
  };
  EXPECT_EQ(judge(Backend::General, "SUCCESS"), ReplyVerdict::Success);
  EXPECT_EQ(judge(Backend::General, "1"), ReplyVerdict::Failed);
  EXPECT_EQ(judge(Backend::General, "success"), ReplyVerdict::Failed);
  for (auto backend : {Backend::Account, Backend::Appointment}) {
    EXPECT_EQ(judge(backend, "1"), ReplyVerdict::Success);
    EXPECT_EQ(judge(backend, "2"), ReplyVerdict::Refused);
    EXPECT_EQ(judge(backend, "SUCCESS"), ReplyVerdict::Failed);
  }
  EXPECT_EQ(judge(Backend::Appointment, "6"), ReplyVerdict::Anomaly);
  EXPECT_EQ(judge(Backend::Account, "6"), ReplyVerdict::Failed);
  EXPECT_EQ(judgeReply(Backend::Account, {{"STATES", 1}}), ReplyVerdict::Failed);
  for (auto backend : {Backend::General, Backend::Account, Backend::Appointment})
    EXPECT_EQ(judgeReply(backend, nlohmann::json::object()), ReplyVerdict::Failed);
}

TEST(ReplyTest, BlankAndNonObjectTextsReadAsObjectsWithoutKeys) {
  for (const char* text : {"", " \t\r\n", "\xE3\x80\x80\xE2\x80\xA8", "[1,2]", "\"STATES\"",
                           "{\"STATES\":", "<html>500</html>"}) {
    EXPECT_EQ(replyObject(std::string(text)), nlohmann::json::object()) << text;
  }
  EXPECT_EQ(replyObject(std::nullopt), nlohmann::json::object());
  EXPECT_EQ(replyObject(std::string(" {\"STATES\":\"1\"}\n"))["STATES"], "1");
}

TEST_F(ServiceCallTest, JsonRepliesAreReadAsUtf8UnlessTheyNameACharset) {
  const std::string chinese = "{\"STATES\":\"1\",\"MSG\":\"\xE4\xB8\xAD\"}";
  engine.answerOnce("/", FakeReply{500, {{"Content-Type", "application/json"}}, chinese});
  engine.answerOnce("/", FakeReply{200,
                                   {{"Content-Type", "text/plain; charset=gbk"}},
                                   "{\"STATES\":\"1\",\"MSG\":\"\xD6\xD0\"}"});
  engine.answerOnce("/", FakeReply{200, {}, " \r\n"});
  // Not UTF-8 and naming no charset: read as ISO-8859-1 rather than lost.
  engine.answerOnce("/", FakeReply{200,
                                   {{"Content-Type", "application/json"}},
                                   "{\"STATES\":\"1\",\"MSG\":\"\xE9t\xE9\"}"});
  std::vector<std::shared_ptr<HttpRequest>> requests;
  for (int i = 0; i < 4; ++i) {
    requests.push_back(HttpRequest::initWithURL("http://h:1/"));
    requests.back()->startAsynchronous();
  }
  platform.loop.runUntilIdle();

  auto unnamed = readJsonReply(*requests[0], Backend::Appointment);
  EXPECT_EQ(unnamed.object["MSG"], "中");
  EXPECT_EQ(unnamed.verdict, ReplyVerdict::Success);  // the status code is not looked at
  EXPECT_NE(requests[0]->responseString(), chinese);  // which still reads it as Latin-1
  EXPECT_EQ(readJsonReply(*requests[1], Backend::Account).object["MSG"], "中");
  auto blank = readJsonReply(*requests[2], Backend::General);
  EXPECT_EQ(blank.verdict, ReplyVerdict::Failed);
  EXPECT_TRUE(blank.object.empty());
  auto latin1 = readJsonReply(*requests[3], Backend::Account);
  EXPECT_EQ(latin1.verdict, ReplyVerdict::Success);
  EXPECT_EQ(latin1.object["MSG"], "\xC3\xA9t\xC3\xA9");  // "été"
}

TEST(TextDecodingTest, WhatACharsetEncodesReadsBack) {
  // Chinese, ASCII, and a run of characters outside the basic plane (two UTF-16 units each),
  // which a compressing charset writes in about one byte each.
  std::string text = "\xE4\xB8\xAD\xE6\x96\x87 STATES ";
  for (int i = 0; i < 40; ++i) text += "\xF0\xA0\x80" + std::string(1, static_cast<char>(0x80 + i));
  std::u16string units;
  UErrorCode status = U_ZERO_ERROR;
  int32_t length = 0;
  units.resize(text.size());
  u_strFromUTF8(units.data(), static_cast<int32_t>(units.size()), &length, text.data(),
                static_cast<int32_t>(text.size()), &status);
  ASSERT_TRUE(U_SUCCESS(status));
  units.resize(static_cast<std::size_t>(length));
  for (const char* charset :
       {"utf-8", "gb18030", "utf-16", "utf-16le", "utf-32", "utf-7", "bocu-1", "scsu"}) {
    status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(charset, &status);
    std::string bytes(1024, '\0');
    bytes.resize(static_cast<std::size_t>(
        ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()), units.data(),
                        static_cast<int32_t>(units.size()), &status)));
    ucnv_close(converter);
    ASSERT_TRUE(U_SUCCESS(status)) << charset;
    EXPECT_EQ(decodeText(bytes, charset), text) << charset;
  }
  EXPECT_EQ(decodeText("\xD6\xD0", "GBK"), "\xE4\xB8\xAD");
  EXPECT_EQ(decodeText("\xFF\xFE", "utf-8"), std::nullopt);
  EXPECT_EQ(decodeText("\xE9", "x-nobody-knows"), "\xC3\xA9");  // read as ISO-8859-1
}

// Through the real engine, down to the bytes on the wire.
TEST(ServiceCallWireTest, TheServerReceivesExactlyTheConventionalRequest) {
  TestPlatform platform{Network::Libcurl};
  HttpTestServer server;
  httplib::Headers headers;
  std::string path;
  std::string body;
  server.http().Post(R"(/serverAgent!(\w+)\.action)",
                     [&](const httplib::Request& request, httplib::Response& response) {
                       headers = request.headers;
                       path = request.path;
                       body = request.body;
                       response.set_content("{\"STATES\":\"SUCCESS\"}", "text/html");
                     });
  server.start();
  Endpoints endpoints;
  endpoints.ports.fill(server.port());
  Endpoints::install(endpoints);
  RecordingDelegate delegate;
  RequestHandle current;
  startJsonCall(current, {.action = "getToken",
                          .body = {{"TOKEN", "ab/cd"}, {"TIME", "2026-01-15 09:30:00"}},
                          .delegate = &delegate});
  EXPECT_TRUE(drained(platform.loop));
  Endpoints::install(Endpoints{});

  EXPECT_EQ(path, "/serverAgent!getToken.action");
  EXPECT_EQ(body, "{\"TIME\":\"2026-01-15 09:30:00\",\"TOKEN\":\"ab/cd\"}");
  EXPECT_EQ(headers.count("Content-Type"), 0u);
  EXPECT_EQ(headers.find("Content-Length")->second, std::to_string(body.size()));
  ASSERT_EQ(delegate.calls.size(), 1u);
  EXPECT_EQ(readJsonReply(*current, Backend::General).verdict, ReplyVerdict::Success);
}

}  // namespace
}  // namespace vokari::testing
