// The crime-report service's SOAP reply readers. First byte: which of the five; the rest: the
// reply. A reader calls its delegate at most once, and exactly when it says it did.

#include "FuzzInput.h"
#include "reports/ReplyReaders.h"

using namespace vokari;

namespace {

struct Counter final : CodePraseDelegate,
                       PWDPraseDelegate,
                       ReportResultPraseDelegate,
                       FilePraseDelegate,
                       QueryPraseDelegate {
  int calls = 0;
  void returnCode(const std::string&) override { ++calls; }
  void returnPwd(const std::string&) override { ++calls; }
  void returnReportResult(const std::string&) override { ++calls; }
  void returnFileResult(const std::string&) override { ++calls; }
  void returnQueryResult(const std::string&) override { ++calls; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const auto which = input.choose(5);
  const auto reply = input.rest();
  Counter counter;
  bool called = false;
  switch (which) {
    case 0: {
      auto& reader = CodePrase::sharedCodePraseManager();
      reader.delegate = &counter;
      called = reader.getCodeFromResponse(reply);
      break;
    }
    case 1: {
      auto& reader = PWDPrase::sharedPWDPraseManager();
      reader.delegate = &counter;
      called = reader.getPwdFromResponse(reply);
      break;
    }
    case 2: {
      auto& reader = ReportResultPrase::sharedReportResultPraseManager();
      reader.delegate = &counter;
      called = reader.getReportResultFromResponse(reply);
      break;
    }
    case 3: {
      auto& reader = FilePrase::sharedFilePraseManager();
      reader.delegate = &counter;
      called = reader.getFileFromResponse(reply);
      break;
    }
    default: {
      auto& reader = QueryPrase::sharedQueryPraseManager();
      reader.delegate = &counter;
      called = reader.getQueryFromResponse(reply);
      break;
    }
  }
  CodePrase::sharedCodePraseManager().delegate = nullptr;
  PWDPrase::sharedPWDPraseManager().delegate = nullptr;
  ReportResultPrase::sharedReportResultPraseManager().delegate = nullptr;
  FilePrase::sharedFilePraseManager().delegate = nullptr;
  QueryPrase::sharedQueryPraseManager().delegate = nullptr;
  if (counter.calls != (called ? 1 : 0)) __builtin_trap();
  return 0;
}
