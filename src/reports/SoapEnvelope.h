#pragma once
// The crime-report service's SOAP 1.1 envelopes, written byte for byte as the service expects
// them: one line, the three prefixes in a fixed order, parameters in the operation's order.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "transport/HttpEngine.h"

namespace vokari {

// The client's fixed verification code, sent in every Inster and SaveFile call.
inline constexpr std::string_view kReportVerification = "41872093556120873349017265";

// Text typed by the user as element content: "&", "<" and ">" as entity references. Characters
// XML 1.0 cannot carry at all (C0 controls other than tab and line breaks) are left out, since
// no escaping can make them well-formed.
std::string xmlEscapeText(std::string_view text);

using SoapParams = std::vector<std::pair<std::string, std::string>>;  // name, content as is

// The envelope of an operation; an operation without parameters is one self-closing element.
std::string soapEnvelope(std::string_view operation, const SoapParams& params);

// The values of a report form, as typed.
struct ReportForm {
  std::string name;
  std::string idcard;
  std::string phone;
  std::string content;
};

std::string getCodeStringEnvelope();
std::string getSearchPasswordEnvelope();
std::string insterEnvelope(const ReportForm& form, const std::string& code,
                           const std::string& password);
std::string searchEnvelope(const std::string& code, const std::string& password);
// A SaveFile envelope with the file's bytes in it; for small files and for tests.
std::string saveFileEnvelope(const std::string& code, const std::string& password,
                             std::string_view fileBytes);

// A SaveFile body streamed from the file: the envelope up to <binData>, the file in Base64
// produced a chunk at a time, then the rest. Its bytes equal saveFileEnvelope's for the same
// file, but at most one chunk of the file is in memory at once.
class SaveFileBody final : public HttpBodySource {
 public:
  // None when the file cannot be opened.
  static std::shared_ptr<SaveFileBody> open(const std::string& path, const std::string& code,
                                            const std::string& password);
  ~SaveFileBody() override;
  SaveFileBody(const SaveFileBody&) = delete;
  SaveFileBody& operator=(const SaveFileBody&) = delete;

  std::uint64_t size() const override;
  long long read(std::uint64_t offset, char* out, std::size_t length) override;

  // File bytes per Base64 chunk; a multiple of 3 so chunks join without padding.
  static constexpr std::size_t kChunkBytes = 3 * 64 * 1024;

 private:
  SaveFileBody(int fd, std::uint64_t fileSize, std::string head, std::string tail);
  bool loadChunk(std::uint64_t encodedOffset);

  int fd_;
  std::uint64_t fileSize_;
  std::uint64_t encodedSize_;
  std::string head_;
  std::string tail_;
  std::uint64_t chunkStart_ = 0;  // offset of chunk_ within the Base64 text
  std::string chunk_;             // one encoded chunk
};

}  // namespace vokari
