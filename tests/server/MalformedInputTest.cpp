// Bad bodies of every kind get the failure code of the action addressed, promptly, and the
// service goes on serving.

#include <sys/stat.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

struct Action {
  int Ports::*port;
  std::string path;
  std::string failure;      // for a body that is not a JSON object
  std::string emptyObject;  // for {}: "6" where an account is required
};

std::vector<Action> jsonActions() {
  const std::string agent = "/serverAgent!", rkyy = "/wsyy/sysManager/rkyyApp/rkyyApp!";
  std::vector<Action> actions = {
      {&Ports::general, agent + "sosForIOS.action", "FAIL", "FAIL"},
      {&Ports::general, agent + "getNewsForIos.action", "FAIL", "FAIL"},
      {&Ports::general, agent + "getToken.action", "FAIL", "FAIL"},
      {&Ports::general, agent + "getClientInformation.action", "FAIL", "FAIL"},
      {&Ports::general, agent + "changePhonenumber.action", "0", "0"},
      {&Ports::account, agent + "register.action", "0", "0"},
      {&Ports::account, agent + "getCode.action", "0", "0"},
      {&Ports::account, agent + "modifyPasswordCode.action", "0", "0"},
      {&Ports::account, agent + "modifyPassword.action", "0", "0"},
      {&Ports::appointment, rkyy + "login.action", "0", "0"}};
  for (const char* name : {"findInformation", "saveInfomation", "findStation", "findType",
                           "findTime", "commitSchedule", "cannelSchedule", "selectScheduleInfo"}) {
    actions.push_back({&Ports::appointment, rkyy + name + ".action", "0", "6"});
  }
  return actions;
}

std::string states(const Reply& reply) {
  Json json = Json::parse(reply.body, nullptr, false);
  return json.is_object() && json["STATES"].is_string() ? json["STATES"].get<std::string>()
                                                        : "<" + reply.body + ">";
}

TEST_F(BackendTest, MalformedJsonBodiesAnswerTheFailureCodeOfTheirAction) {
  const std::vector<std::string> notObjects = {
      "", "not json", "[1,2]", "\"text\"", "{\"PHONE_NUMBER\":", "\xff\xfe{}",
      std::string(100000, '[') + std::string(100000, ']'), std::string("{\"a\":\"\0\"}", 9)};
  for (const Action& action : jsonActions()) {
    for (const std::string& body : notObjects) {
      EXPECT_EQ(states(post(ports.*action.port, action.path, body)), action.failure)
          << action.path << " with " << body.substr(0, 20);
    }
    EXPECT_EQ(states(post(ports.*action.port, action.path, "{}")), action.emptyObject)
        << action.path;
  }
  Person p;
  registerPerson(p);
  Json wrongTypes = credentials(p);
  wrongTypes.update({{"PHONE_NUMBER", 13800138000LL}, {"SEX", "1"}, {"STATION", Json::array()},
                     {"POLICE_STATION", true}, {"ID", 1.5}, {"SF_CODE", nullptr},
                     {"TIME", 0}, {"CODE", Json::object()}, {"SOS", 1}, {"TOKEN", false},
                     {"MESSAGE", 2}, {"schedule_card_number", 1}, {"LOGIN_NAME", p.phone}});
  for (const Action& action : jsonActions()) {
    if (action.path.ends_with("login.action") ||
        action.path.ends_with("modifyPasswordCode.action") ||  // its keys are right here
        action.path.ends_with("findStation.action") ||
        action.path.ends_with("selectScheduleInfo.action") ||
        action.path.ends_with("findInformation.action")) {
      continue;  // they read nothing but the account
    }
    EXPECT_EQ(states(post(ports.*action.port, action.path, wrongTypes.dump())), action.failure)
        << action.path;
  }
  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "1") << "still serving";
}

TEST_F(BackendTest, BodiesOverTheirRoutesBoundOrNestedTooDeepAnswerTheFailureCode) {
  const Json feedback = {{"TYPE", "其他"},         {"APK_AGREEMENT", "满意"},
                         {"PHONE_TYPE", "x86_64"}, {"SDK_VERSION", "6.1"},
                         {"APK_VERSION", "1.0"},   {"MOBILE_IMEI", ""}};
  auto withMessage = [&](size_t size) {
    Json body = feedback;
    body["MESSAGE"] = std::string(size, 'x');
    return body.dump();
  };
  const std::string feedbackPath = "/serverAgent!getClientInformation.action";
  EXPECT_EQ(states(post(ports.general, feedbackPath, withMessage(900u << 10))), "SUCCESS")
      << "a long opinion is taken";
  EXPECT_EQ(states(post(ports.general, feedbackPath, withMessage(1u << 20))), "FAIL");
  const Json phone = {{"PHONE_NUMBER", "13800138000"}};
  Json padded = phone;
  padded["PAD"] = std::string(8u << 10, 'x');
  EXPECT_EQ(states(post(ports.account, "/serverAgent!getCode.action", padded.dump())), "0");
  Json deep = phone;
  deep["PAD"] = Json::parse(std::string(16, '[') + std::string(16, ']'));
  EXPECT_EQ(states(post(ports.account, "/serverAgent!getCode.action", deep.dump())), "0")
      << "17 levels with the object around them";
  const std::string huge((32u << 20) + 1, 'x');
  Reply soap =
      post(ports.report, "/CrimeReports_App/Service.asmx", huge,
           {"Content-Type: text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/Inster"});
  EXPECT_NE(soap.body.find("<InsterResult>0</InsterResult>"), std::string::npos) << soap.body;
  EXPECT_EQ(account("getCode", phone)["STATES"], "1");
  EXPECT_EQ(listing(Listing::Feedback).size(), 1u);
}

std::string gzipped(const std::string& plain) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, plain.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

TEST_F(BackendTest, CompressedBodiesAreRefusedUnread) {
  const Json feedback = {{"TYPE", "其他"},          {"MESSAGE", "压缩"},
                         {"PHONE_TYPE", "x86_64"},  {"SDK_VERSION", "6.1"},
                         {"APK_VERSION", "1.0"},    {"MOBILE_IMEI", ""},
                         {"APK_AGREEMENT", "满意"}, {"PHONE_NUMBER", "13800138000"}};
  const std::string path = "/serverAgent!getClientInformation.action";
  for (const char* coding : {"gzip", " GZip ", "deflate", "br"}) {
    Reply reply = post(ports.general, path, gzipped(feedback.dump()),
                       {std::string("Content-Encoding: ") + coding});
    EXPECT_EQ(reply.status, 415) << coding;
    EXPECT_EQ(states(reply), "FAIL") << coding;
  }
  // A small body that would inflate past the body limit is refused as promptly.
  Reply bomb = post(ports.account, "/serverAgent!getCode.action",
                    gzipped(std::string(4u << 20, ' ')), {"Content-Encoding: gzip"});
  EXPECT_EQ(states(bomb), "0");
  EXPECT_EQ(bomb.status, 415);
  Reply soap = post(ports.report, "/CrimeReports_App/Service.asmx", gzipped("<x/>"),
                    {"Content-Type: text/xml; charset=utf-8", "Content-Encoding: gzip",
                     "SOAPAction: http://tempuri.org/SaveFile"});
  EXPECT_EQ(soap.body.find("<SaveFileResult>Update:1"), std::string::npos) << soap.body;
  EXPECT_TRUE(listing(Listing::Feedback).empty());

  // An uncompressed body, plainly labelled or not, is read as always.
  EXPECT_EQ(states(post(ports.general, path, feedback.dump(), {"Content-Encoding: identity"})),
            "SUCCESS");
  EXPECT_EQ(general("getClientInformation", feedback)["STATES"], "SUCCESS");
  EXPECT_EQ(listing(Listing::Feedback).size(), 2u);
}

TEST_F(BackendTest, TheFilesOfTheServicesArePrivate) {
  registerPerson(Person{});  // writes the database and its journal
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dataDir)) {
    if (!entry.is_regular_file()) continue;
    struct stat info {};
    ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << entry.path();
    ++files;
  }
  EXPECT_GE(files, 1);
}

TEST_F(BackendTest, MalformedSoapAnswersTheOperationsFailureOrAFault) {
  const std::string path = "/CrimeReports_App/Service.asmx";
  auto call = [&](const std::string& operation, const std::string& body) {
    return post(ports.report, path, body,
                {"Content-Type: text/xml; charset=utf-8",
                 "SOAPAction: http://tempuri.org/" + operation});
  };
  const std::string envelopeStart =
      "<?xml version=\"1.0\"?><soap:Envelope "
      "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>";
  const std::string envelopeEnd = "</soap:Body></soap:Envelope>";

  EXPECT_NE(call("Inster", "not xml").body.find("<InsterResult>0</InsterResult>"),
            std::string::npos);
  EXPECT_NE(call("Inster", envelopeStart + "<Inster xmlns=\"http://other.org/\"/>" + envelopeEnd)
                .body.find("<InsterResult>0</InsterResult>"),
            std::string::npos)
      << "wrong namespace";
  EXPECT_NE(call("SaveFile", envelopeStart + "<getCodeString xmlns=\"http://tempuri.org/\"/>" +
                                 envelopeEnd)
                .body.find("<SaveFileResult>Update:0</SaveFileResult>"),
            std::string::npos)
      << "SOAPAction and body disagree";
  EXPECT_EQ(soap("Inster", "<name>only a name</name>"), "0");
  EXPECT_EQ(soap("SaveFile", "<verification>41872093556120873349017265</verification><code>1"
                             "</code><password>2</password><binData>@@@=</binData>"
                             "<fileName>a</fileName>"),
            "Update:0");
  Reply fault = post(ports.report, path, "garbage");
  EXPECT_EQ(fault.status, 500);
  EXPECT_NE(fault.body.find("soap:Fault"), std::string::npos);
  EXPECT_FALSE(soap("getCodeString", "").empty()) << "still serving";
}

std::string nested(const std::string& open, const std::string& inner, const std::string& close,
                   int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += open;
  text += inner;
  for (int i = 0; i < depth; ++i) text += close;
  return text;
}

// Each body is answered with the failure of the action it went to, within a second or two, and
// every service still answers a good request right after it.
TEST_F(BackendTest, HostileBodiesGetTheirFailureAndEveryServiceGoesOn) {
  Person p;
  registerPerson(p);
  const std::string agent = "/serverAgent!", rkyy = "/wsyy/sysManager/rkyyApp/rkyyApp!";
  const std::string soapPath = "/CrimeReports_App/Service.asmx";
  const std::vector<std::string> soapHeaders = {"Content-Type: text/xml; charset=utf-8",
                                                "SOAPAction: http://tempuri.org/Inster"};
  auto envelope = [](const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><Inster "
           "xmlns=\"http://tempuri.org/\">" +
           inner + "</Inster></soap:Body></soap:Envelope>";
  };
  std::string manyKeys = "{";
  for (int i = 0; i < 300000; ++i) manyKeys += "\"k" + std::to_string(i) + "\":0,";
  manyKeys.back() = '}';
  struct Row {
    const char* name;
    int Ports::*port;
    std::string path;
    std::string body;
    std::vector<std::string> headers;
    std::string failure;  // STATES of a JSON reply, or a text the SOAP reply holds
  };
  const std::vector<Row> rows = {
      {"object nested 100,000 deep",
       &Ports::general,
       agent + "sosForIOS.action",
       nested("{\"a\":", "1", "}", 100000),
       {},
       "FAIL"},
      {"array nested 100,000 deep as the phone number",
       &Ports::account,
       agent + "getCode.action",
       "{\"PHONE_NUMBER\":" + nested("[", "", "]", 100000) + "}",
       {},
       "0"},
      {"object nested 100,000 deep",
       &Ports::appointment,
       rkyy + "login.action",
       nested("{\"LOGIN_NAME\":", "\"x\"", "}", 100000),
       {},
       "0"},
      {"a phone number of 20 MiB",
       &Ports::account,
       agent + "getCode.action",
       "{\"PHONE_NUMBER\":\"" + std::string(20u << 20, '1') + "\"}",
       {},
       "0"},
      {"300,000 keys", &Ports::general, agent + "getNewsForIos.action", manyKeys, {}, "FAIL"},
      {"invalid UTF-8 in a string",
       &Ports::account,
       agent + "getCode.action",
       "{\"PHONE_NUMBER\":\"\xff\xfe\xc0\x80\"}",
       {},
       "0"},
      {"a number out of range",
       &Ports::appointment,
       rkyy + "login.action",
       "{\"LOGIN_NAME\":1e99999,\"PASSWORD\":-1e99999}",
       {},
       "0"},
      {"a string where an object is",
       &Ports::general,
       agent + "getToken.action",
       "{\"TOKEN\":{\"TOKEN\":{}}}",
       {},
       "FAIL"},
      {"SOAP with an external entity", &Ports::report, soapPath,
       "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>" +
           envelope("<name>&e;</name>").substr(21),
       soapHeaders, "<InsterResult>0</InsterResult>"},
      {"SOAP with entities expanding to a gigabyte", &Ports::report, soapPath,
       "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"" + std::string(1000, 'a') +
           "\"><!ENTITY b \"" + nested("&a;", "", "", 1000) + "\"><!ENTITY c \"" +
           nested("&b;", "", "", 1000) + "\">]>" + envelope("<name>&c;</name>").substr(21),
       soapHeaders, "<InsterResult>0</InsterResult>"},
      {"SOAP elements nested 100,000 deep", &Ports::report, soapPath,
       envelope(nested("<name>", "x", "</name>", 100000)), soapHeaders,
       "<InsterResult>0</InsterResult>"},
      {"SOAP cut off", &Ports::report, soapPath, envelope("<name>abc").substr(0, 150), soapHeaders,
       "<InsterResult>0</InsterResult>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto start = std::chrono::steady_clock::now();
    Reply reply = post(ports.*row.port, row.path, row.body, row.headers);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    if (row.port == &Ports::report) {
      EXPECT_NE(reply.body.find(row.failure), std::string::npos) << reply.body.substr(0, 300);
      EXPECT_EQ(reply.body.find("root:"), std::string::npos);
    } else {
      EXPECT_EQ(states(reply), row.failure) << row.path;
    }
    EXPECT_TRUE(general("getNewsForIos", {{"TIME", ""}})["NEWS_LIST"].is_array());
    EXPECT_EQ(appointment("login", credentials(p))["STATES"], "1");
    EXPECT_FALSE(soap("getCodeString", "").empty());
  }
}

TEST_F(BackendTest, RestartKeepsTheDataAndBusyPortsFailTheStart) {
  Person p;
  registerPerson(p);
  size_t news = general("getNewsForIos", {{"TIME", ""}})["NEWS_LIST"].size();

  Backend rival;
  Options clash = options();
  clash.ports.general = ports.general;
  auto refused = rival.start(clash);
  EXPECT_FALSE(refused.ok());
  const std::string& why = refused.status.message();
  EXPECT_NE(why.find("general"), std::string::npos) << why;
  EXPECT_FALSE(rival.running());
  EXPECT_FALSE(backend.start(options()).ok()) << "already running";

  ASSERT_NO_FATAL_FAILURE(restart());
  EXPECT_EQ(appointment("login", credentials(p))["STATES"], "1");
  EXPECT_EQ(general("getNewsForIos", {{"TIME", ""}})["NEWS_LIST"].size(), news) << "seeded once";
}

}  // namespace
}  // namespace vokari_backend::testing
