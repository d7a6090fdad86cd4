// The five reply readers on well-formed, damaged and hostile replies.

#include <gtest/gtest.h>

#include <chrono>

#include "reports/ReplyReaders.h"

namespace vokari {
namespace {

std::string reply(const std::string& operation, const std::string& inner) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
         "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body><" +
         operation + "Response xmlns=\"http://tempuri.org/\">" + inner + "</" + operation +
         "Response></soap:Body></soap:Envelope>";
}

struct Recorder : CodePraseDelegate,
                  PWDPraseDelegate,
                  ReportResultPraseDelegate,
                  FilePraseDelegate,
                  QueryPraseDelegate {
  std::vector<std::string> got;
  void returnCode(const std::string& t) override { got.push_back("code:" + t); }
  void returnPwd(const std::string& t) override { got.push_back("pwd:" + t); }
  void returnReportResult(const std::string& t) override { got.push_back("report:" + t); }
  void returnFileResult(const std::string& t) override { got.push_back("file:" + t); }
  void returnQueryResult(const std::string& t) override { got.push_back("query:" + t); }
  void listenToEveryReader() {
    CodePrase::sharedCodePraseManager().delegate = this;
    PWDPrase::sharedPWDPraseManager().delegate = this;
    ReportResultPrase::sharedReportResultPraseManager().delegate = this;
    FilePrase::sharedFilePraseManager().delegate = this;
    QueryPrase::sharedQueryPraseManager().delegate = this;
  }
};

TEST(ReplyReaders, EachReaderDeliversItsResultElementDecoded) {
  Recorder r;
  r.listenToEveryReader();
  EXPECT_TRUE(CodePrase::sharedCodePraseManager().getCodeFromResponse(
      reply("getCodeString", "<getCodeStringResult>A&amp;B&#x4E2D;</getCodeStringResult>")));
  EXPECT_TRUE(PWDPrase::sharedPWDPraseManager().getPwdFromResponse(
      reply("getSearchPassword", "<getSearchPasswordResult>12&lt;3</getSearchPasswordResult>")));
  EXPECT_TRUE(ReportResultPrase::sharedReportResultPraseManager().getReportResultFromResponse(
      reply("Inster", "<InsterResult>1</InsterResult>")));
  EXPECT_TRUE(FilePrase::sharedFilePraseManager().getFileFromResponse(
      reply("SaveFile", "<SaveFileResult>Update:1</SaveFileResult>")));
  EXPECT_TRUE(QueryPrase::sharedQueryPraseManager().getQueryFromResponse(
      reply("Search", "<SearchResult>result:<![CDATA[受理]]>中files:2</SearchResult>")));
  EXPECT_EQ(r.got, (std::vector<std::string>{"code:A&B中", "pwd:12<3", "report:1", "file:Update:1",
                                             "query:result:受理中files:2"}));
  EXPECT_TRUE(CodePrase::sharedCodePraseManager().getCodeFromResponse(
      reply("getCodeString", "<getCodeStringResult></getCodeStringResult>")));
  EXPECT_EQ(r.got.back(), "code:") << "an empty result element still answers";
  CodePrase::sharedCodePraseManager().delegate = nullptr;
  EXPECT_TRUE(CodePrase::sharedCodePraseManager().getCodeFromResponse(
      reply("getCodeString", "<getCodeStringResult>x</getCodeStringResult>")))
      << "no delegate: read, nobody told";
  EXPECT_EQ(r.got.size(), 6u);
}

TEST(ReplyReaders, RepliesWithoutAResultAnswerFalse) {
  Recorder r;
  FilePrase& files = FilePrase::sharedFilePraseManager();
  files.delegate = &r;
  const std::vector<std::string> bad = {
      "",
      "not xml at all",
      reply("SaveFile", ""),                                          // no result element
      reply("SaveFile", "<InsterResult>Update:1</InsterResult>"),     // another operation's
      "<soap:Envelope><SaveFileResult>Update:1",                      // cut off before the end tag
      reply("SaveFile", "<SaveFileResult>&bogus;</SaveFileResult>"),  // undefined entity
  };
  for (const std::string& text : bad) {
    EXPECT_FALSE(files.getFileFromResponse(text)) << text;
  }
  EXPECT_TRUE(r.got.empty()) << r.got.front();
}

struct Reader {
  const char* element;
  bool (*read)(std::string_view);
};
void PrintTo(const Reader& reader, std::ostream* out) {
  *out << reader.element;
}

const Reader kReaders[] = {
    {"getCodeStringResult",
     [](std::string_view t) { return CodePrase::sharedCodePraseManager().getCodeFromResponse(t); }},
    {"getSearchPasswordResult",
     [](std::string_view t) { return PWDPrase::sharedPWDPraseManager().getPwdFromResponse(t); }},
    {"InsterResult",
     [](std::string_view t) {
       return ReportResultPrase::sharedReportResultPraseManager().getReportResultFromResponse(t);
     }},
    {"SaveFileResult",
     [](std::string_view t) { return FilePrase::sharedFilePraseManager().getFileFromResponse(t); }},
    {"SearchResult",
     [](std::string_view t) {
       return QueryPrase::sharedQueryPraseManager().getQueryFromResponse(t);
     }},
};

// Entities nested nine deep: a billion "lol"s once expanded.
std::string billionLaughs() {
  std::string doc = "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\">";
  doc += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">";
  for (int i = 2; i <= 9; ++i) {
    std::string prev = "&lol" + std::to_string(i - 1) + ";";
    std::string ten;
    for (int k = 0; k < 10; ++k) ten += prev;
    doc += "<!ENTITY lol" + std::to_string(i) + " \"" + ten + "\">";
  }
  return doc + "]><x><%s>&lol9;</%s></x>";
}

class EveryReader : public ::testing::TestWithParam<Reader> {};

TEST_P(EveryReader, RefusesDocumentTypesAndEntitiesAtOnce) {
  // Each wraps a result element; %s stands for its name.
  const std::vector<std::string> hostile = {
      "<!DOCTYPE x [<!ENTITY e \"1\">]><%s>&e;</%s>",                            // internal entity
      "<!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/hostname\">]><%s>&e;</%s>",  // file
      "<!DOCTYPE x [<!ENTITY e SYSTEM \"http://127.0.0.1:9/e\">]><%s>&e;</%s>",  // network
      "<!DOCTYPE x SYSTEM \"http://127.0.0.1:9/x.dtd\"><%s>1</%s>",              // external DTD
      "<!DOCTYPE x [<!ENTITY % p SYSTEM \"file:///etc/hostname\"> %p;]><%s>1</%s>",  // parameter
      // A broken declaration first: the parser reads on without our handlers.
      "<?xml version=\"1<!DOCTYPE x [<!ENTITY e \"1\">]><%s>&e;</%s>",
      "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE x [<!ENTITY e \"Update:1\">]>"
      "<x><%s>&e;</%s></x>",
      "<?xml version=\"1.0\"?><!DOCTYPE x SYSTEM \"file:///etc/passwd\"><x><%s>Update:1</%s></x>",
      "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY xxe SYSTEM \"file:///etc/hostname\">]>"
      "<x><%s>&xxe;</%s></x>",
      billionLaughs(),
  };
  Recorder r;
  r.listenToEveryReader();
  for (std::string doc : hostile) {
    for (auto at = doc.find("%s"); at != std::string::npos; at = doc.find("%s"))
      doc.replace(at, 2, GetParam().element);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(GetParam().read(doc)) << doc;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << doc;
  }
  EXPECT_EQ(r.got, std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(ReplyReaders, EveryReader, ::testing::ValuesIn(kReaders),
                         [](const auto& info) { return std::string(info.param.element); });

TEST(ReplyReaders, OnlyTheResultElementsOwnTextIsDelivered) {
  Recorder r;
  QueryPrase::sharedQueryPraseManager().delegate = &r;
  // Text before the result element, or in a sibling, must not leak into the result.
  EXPECT_TRUE(QueryPrase::sharedQueryPraseManager().getQueryFromResponse(
      reply("Search", "before<x>other</x><SearchResult>result:files:0</SearchResult>after")));
  EXPECT_EQ(r.got, std::vector<std::string>{"query:result:files:0"});
}

}  // namespace
}  // namespace vokari
