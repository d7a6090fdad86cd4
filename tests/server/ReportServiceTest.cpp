// The crime-report chain: query ID, password, report, files, query; and the web pages.

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "BackendFixture.h"
#include "support/Loopback.h"

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

size_t filesUnder(const std::string& folder) {
  size_t files = 0;
  std::error_code missing;
  for (std::filesystem::recursive_directory_iterator it(folder, missing), end;
       !missing && it != end; it.increment(missing))
    files += it->is_regular_file();
  return files;
}

// The envelope's keys come before its file: a call with wrong keys is refused while its file is
// still arriving, and nothing of it is ever written.
TEST_F(BackendTest, AnUploadWithWrongKeysWritesNothingEvenWhileItsFileArrives) {
  std::string code = soap("getCodeString", ""), password = soap("getSearchPassword", "");
  ASSERT_EQ(soap("Inster", insterParams(code, password)), "1");
  const std::string text = base64(std::string(3u << 20, '\x42'));
  const std::string envelope =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope xmlns:soap=\""
      "http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><SaveFile xmlns="
      "\"http://tempuri.org/\">" +
      saveFileParams(code, "wrong", text) + "</SaveFile></soap:Body></soap:Envelope>";
  int fd = vokari::loopback::connectTo(ports.report, std::chrono::seconds(10));
  std::string request = vokari::loopback::requestText(
      "POST", "/CrimeReports_App/Service.asmx", ports.report, envelope,
      {"Content-Type: text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/SaveFile",
       "Connection: close"});
  size_t held = request.size() - 100;
  ASSERT_TRUE(vokari::loopback::sendAll(fd, request.substr(0, held)));
  // All but the end is sent: had the file been taken, it would be on the disk by now.
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(filesUnder(dataDir + "/report-files"), 0u);
    ::poll(nullptr, 0, 30);
  }
  ASSERT_TRUE(vokari::loopback::sendAll(fd, request.substr(held)));
  std::string reply;
  char buffer[4096];
  for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, n);
  ::close(fd);
  EXPECT_NE(reply.find("<SaveFileResult>Update:0</SaveFileResult>"), std::string::npos) << reply;
  EXPECT_FALSE(std::filesystem::exists(dataDir + "/report-files")) << "not even a folder";
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, text)), "Update:1");
}

TEST_F(BackendTest, AReportTakesFourFilesAndNoMore) {
  std::string code = soap("getCodeString", ""), password = soap("getSearchPassword", "");
  ASSERT_EQ(soap("Inster", insterParams(code, password)), "1");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, base64("photo"))), "Update:1");
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, base64("photo"))), "Update:0");
  EXPECT_EQ(listing(Listing::Reports)[0]["files"], "4");
  EXPECT_EQ(filesUnder(dataDir + "/report-files"), 4u);
}

TEST_F(BackendTest, UploadsWaitWhileTheDiskIsBelowItsReserveAndReportsGoOn) {
  backend.stop();
  Options tight = options();
  tight.diskReserve = std::uint64_t{1} << 62;  // more than any disk has free
  auto started = backend.start(tight);
  ASSERT_TRUE(started.ok()) << started.status.message();
  ports = *started.value;
  std::string code = soap("getCodeString", ""), password = soap("getSearchPassword", "");
  EXPECT_EQ(soap("Inster", insterParams(code, password)), "1");
  EXPECT_EQ(soap("SaveFile", saveFileParams(code, password, base64("photo"))), "Update:0");
  EXPECT_EQ(soap("Search", element("code", code) + element("password", password)),
            "result:files:0");
  EXPECT_EQ(filesUnder(dataDir + "/report-files"), 0u);
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
