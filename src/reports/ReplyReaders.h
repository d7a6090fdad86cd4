#pragma once
// Readers of the crime-report service's replies, one per operation, each through one shared
// instance with a delegate set right before use. A reader hands its delegate the character
// data of the operation's result element, entities decoded.
//
// The parse is libxml2's SAX interface with nothing that reaches outside the reply: no network,
// no DTD loading, no entities but the predefined ones; a reply carrying a DOCTYPE is refused.
// Each read answers whether the reply held its result (the delegate, when set, is told it after
// the parse): false for a reply that failed to parse, was refused, or has no result element, so
// that the caller can end its chain instead of waiting for a callback that never comes. The
// screens read through readSoapResult directly. Main thread.

#include <optional>
#include <string>
#include <string_view>

namespace vokari {

// The text of the first `resultElement` (compared by the name as written, prefix included):
// one reply is one answer, whatever follows it. None when the reply fails to parse, is
// refused, or has no such element. Nothing is called while the parse runs, so what the result
// leads to (the next request of a chain) starts only after it.
std::optional<std::string> readSoapResult(std::string_view reply, std::string_view resultElement);

class CodePraseDelegate {
 public:
  virtual ~CodePraseDelegate() = default;
  virtual void returnCode(const std::string& code) = 0;
};
class PWDPraseDelegate {
 public:
  virtual ~PWDPraseDelegate() = default;
  virtual void returnPwd(const std::string& password) = 0;
};
class ReportResultPraseDelegate {
 public:
  virtual ~ReportResultPraseDelegate() = default;
  virtual void returnReportResult(const std::string& result) = 0;
};
class FilePraseDelegate {
 public:
  virtual ~FilePraseDelegate() = default;
  virtual void returnFileResult(const std::string& result) = 0;
};
class QueryPraseDelegate {
 public:
  virtual ~QueryPraseDelegate() = default;
  virtual void returnQueryResult(const std::string& result) = 0;
};

class CodePrase final {
 public:
  static CodePrase& sharedCodePraseManager();
  bool getCodeFromResponse(std::string_view reply);
  CodePraseDelegate* delegate = nullptr;  // not owned
};

class PWDPrase final {
 public:
  static PWDPrase& sharedPWDPraseManager();
  bool getPwdFromResponse(std::string_view reply);
  PWDPraseDelegate* delegate = nullptr;
};

class ReportResultPrase final {
 public:
  static ReportResultPrase& sharedReportResultPraseManager();
  bool getReportResultFromResponse(std::string_view reply);
  ReportResultPraseDelegate* delegate = nullptr;
};

class FilePrase final {
 public:
  static FilePrase& sharedFilePraseManager();
  bool getFileFromResponse(std::string_view reply);
  FilePraseDelegate* delegate = nullptr;
};

class QueryPrase final {
 public:
  static QueryPrase& sharedQueryPraseManager();
  bool getQueryFromResponse(std::string_view reply);
  QueryPraseDelegate* delegate = nullptr;
};

}  // namespace vokari
