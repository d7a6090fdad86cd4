// The crime-report chain: query ID, password, report, files, query; and the web pages.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

const std::string kVerification = "41872093556120873349017265";

std::string base64(const std::string& bytes) {
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) n |= static_cast<unsigned char>(bytes[i + 2]);
    for (size_t k = 0; k < 4; ++k) {
      out += i + k <= bytes.size() ? alphabet[(n >> (18 - 6 * k)) & 63] : '=';
    }
  }
  return out;
}

std::string element(const std::string& name, const std::string& text) {
  return "<" + name + ">" + text + "</" + name + ">";
}

std::string insterParams(const std::string& code, const std::string& password,
                         const std::string& verification = kVerification) {
  return element("verification", verification) + element("name", "李&amp;四&lt;") +
         element("sex", "男") + element("pass", "110101199003071235") + element("email", "email") +
         element("raddress", "Lanzo") + element("tel", "13800138000") +
         element("caddress", "Lanzo市") + element("content", "夜里有人撬车 &amp; 逃跑") +
         element("code", code) + element("password", password);
}

std::string saveFileParams(const std::string& code, const std::string& password,
                           const std::string& data) {
  return element("verification", kVerification) + element("code", code) +
         element("password", password) + element("binData", data) + element("fileName", "test.jpg");
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST_F(BackendTest, ReportChainFilesAReportWithItsFilesUnderAFreshIdAndPassword) {
  std::string code = soap("getCodeString", "");
  std::string password = soap("getSearchPassword", "");
  ASSERT_FALSE(code.empty());
  ASSERT_FALSE(password.empty());
  EXPECT_NE(soap("getCodeString", ""), code);

  EXPECT_EQ(soap("Inster", insterParams(code, password)), "1");
  const std::string picture("\xff\xd8\xff\x00 jpeg \x01\x02", 13), movie(1000, '\x7f');
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, base64(picture))), "Update:1");
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, base64(movie))), "Update:1");
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, "000000x", base64(movie))), "Update:0");

  const std::string query = element("code", code) + element("password", password);
  EXPECT_EQ(soap("Search", query), "result:files:2") << "no state yet: being processed";
  ASSERT_TRUE(setReportState(dataDir, code, "已受理，核实中").ok());
  EXPECT_EQ(soap("Search", query), "result:已受理，核实中files:2");
  EXPECT_FALSE(setReportState(dataDir, "no-such-code", "x").ok());
  std::string miss = soap("Search", element("code", code) + element("password", "nope"));
  EXPECT_EQ(miss.rfind("result:", 0), 0u);
  EXPECT_NE(miss.find("files:"), std::string::npos);
  EXPECT_EQ(miss.find("已受理"), std::string::npos);

  auto reports = listing(Listing::Reports);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["name"], "李&四<");
  EXPECT_EQ(reports[0]["content"], "夜里有人撬车 & 逃跑");
  EXPECT_EQ(reports[0]["files"], "2");
  std::stringstream paths(reports[0]["paths"]);
  std::map<std::string, std::string> files;  // by file name
  for (std::string path; std::getline(paths, path, ',');) {
    files[std::filesystem::path(path).filename().string()] = readFile(path);
  }
  EXPECT_EQ(files["1-test.jpg"], picture);
  EXPECT_EQ(files["2-test.jpg"], movie);
}

TEST_F(BackendTest, AMovieOfTwentyMegabytesIsStoredWholeAndABadOneLeavesNothing) {
  std::string code = soap("getCodeString", ""), password = soap("getSearchPassword", "");
  ASSERT_EQ(soap("Inster", insterParams(code, password)), "1");
  std::string movie(20u << 20, '\0');
  for (size_t i = 0; i < movie.size(); ++i) movie[i] = static_cast<char>((i * 7919) >> 5);
  const std::string text = base64(movie);
  // A character outside Base64 and a cut text are refused late in the body, after much of the
  // file was decoded; a document type declaration at once.
  for (const std::string& bad :
       {saveFileParams(code, password, text.substr(0, 15u << 20) + "*" + text.substr(15u << 20)),
        saveFileParams(code, password, text.substr(0, text.size() - 2))}) {
    EXPECT_EQ(soap("SaveFile", bad), "Update:0");
  }
  Reply doctype =
      post(ports.report, "/CrimeReports_App/Service.asmx",
           "<!DOCTYPE soap:Envelope []><soap:Envelope xmlns:soap=\""
           "http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><SaveFile xmlns="
           "\"http://tempuri.org/\">" +
               saveFileParams(code, password, text) + "</SaveFile></soap:Body></soap:Envelope>",
           {"Content-Type: text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/SaveFile"});
  EXPECT_NE(doctype.body.find("<SaveFileResult>Update:0<"), std::string::npos);
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, text)), "Update:1");
  auto reports = listing(Listing::Reports);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0]["files"], "1");
  EXPECT_TRUE(readFile(reports[0]["paths"]) == movie) << "stored byte for byte";
  size_t leftovers = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dataDir + "/report-files"))
    leftovers += entry.is_regular_file();
  EXPECT_EQ(leftovers, 1u) << "no half-written upload remains";
}

TEST_F(BackendTest, InsterRefusesUsedKeysAndAWrongVerificationCode) {
  std::string code = soap("getCodeString", ""), password = soap("getSearchPassword", "");
  EXPECT_EQ(soap("Inster", insterParams(code, password, "12345")), "0");
  EXPECT_EQ(soap("Inster", insterParams("not-issued", password)), "0");
  EXPECT_EQ(soap("Inster", insterParams(code, password)), "1") << "refusals used up nothing";
  EXPECT_EQ(soap("Inster", insterParams(code, password)), "0") << "keys work once";
  EXPECT_EQ(listing(Listing::Reports).size(), 1u);
}

TEST_F(BackendTest, TheThreeWebPagesAreServedAsHtml) {
  for (const char* page :
       {"/CrimeReports/Guide.aspx", "/CrimeReports/Notice.aspx", "/CrimeReports/Case.aspx"}) {
    Reply reply = get(ports.report, page);
    EXPECT_EQ(reply.status, 200) << page;
    EXPECT_NE(reply.body.find("<html"), std::string::npos) << page;
  }
}

}  // namespace
}  // namespace vokari_backend::testing
