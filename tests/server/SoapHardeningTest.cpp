// Bodies the report service must refuse before they cost anything: document type declarations
// in any encoding, and bodies that are not UTF-8.

#include <chrono>

#include "BackendFixture.h"

namespace vokari_backend::testing {
namespace {

const std::string kPath = "/CrimeReports_App/Service.asmx";

// A query for the code, after the prolog.
std::string search(const std::string& prolog, const std::string& code) {
  return prolog +
         "<soap:Envelope xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
         "<Search xmlns=\"http://tempuri.org/\"><code>" +
         code + "</code><password>x</password></Search></soap:Body></soap:Envelope>";
}

std::string billionLaughs(const std::string& declaration) {
  std::string doc = declaration + "<!DOCTYPE soap:Envelope [<!ENTITY l0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    std::string ten;
    for (int k = 0; k < 10; ++k) ten += "&l" + std::to_string(i - 1) + ";";
    doc += "<!ENTITY l" + std::to_string(i) + " \"" + ten + "\">";
  }
  return search(doc + "]>", "&l9;");
}

std::string utf16le(const std::string& ascii) {
  std::string out = "\xff\xfe";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST_F(BackendTest, SoapBodiesWithADtdOrInAnotherEncodingAreRefusedCheaply) {
  auto call = [&](const std::string& body) {
    return post(ports.report, kPath, body,
                {"Content-Type: text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/Search"});
  };
  const std::string refused = "<SearchResult>result:查询ID或密码错误files:0</SearchResult>";
  auto start = std::chrono::steady_clock::now();
  std::string utf16 = utf16le(billionLaughs("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"));
  std::string noBom = utf16.substr(2);
  for (const std::string& body :
       {utf16, noBom, billionLaughs("<?xml version=\"1.0\" encoding=\"utf-8\"?>"),
        billionLaughs(""),
        search("<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol2 "
               "\"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\"><!ENTITY lol3 "
               "\"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>",
               "&lol3;"),
        search("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>",
               "&e;"),
        std::string("<?xml version=\"1.0\" encoding=\"UTF-7\"?>+ADw-soap:Envelope+AD4-"),
        search("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "\xe9"),
        std::string("<!DOCTYPE soap:Envelope SYSTEM \"http://127.0.0.1:1/x.dtd\"><soap:Envelope "
                    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>"
                    "<Search xmlns=\"http://tempuri.org/\"><code>a</code><password>b"
                    "</password></Search></soap:Body></soap:Envelope>")}) {
    Reply reply = call(body);
    EXPECT_NE(reply.body.find(refused), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find("root:"), std::string::npos);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(soap("getCodeString", "").empty()) << "UTF-8 without a DTD still works";
  // A declaration naming another encoding is refused even when every byte would read alike.
  Reply latin = post(
      ports.report, kPath,
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><soap:Envelope xmlns:soap="
      "\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><getCodeString "
      "xmlns=\"http://tempuri.org/\"/></soap:Body></soap:Envelope>",
      {"Content-Type: text/xml; charset=utf-8", "SOAPAction: http://tempuri.org/getCodeString"});
  EXPECT_NE(latin.body.find("<getCodeStringResult></getCodeStringResult>"), std::string::npos)
      << latin.body;
}

}  // namespace
}  // namespace vokari_backend::testing
