#include "reports/SoapEnvelope.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/Base64.h"

namespace vokari {
namespace {

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    "<soap:Envelope xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\"><soap:Body>";
constexpr std::string_view kTail = "</soap:Body></soap:Envelope>";
constexpr std::string_view kServiceNs = " xmlns=\"http://tempuri.org/\"";

std::string element(std::string_view name, std::string_view content) {
  std::string out;
  out.append("<").append(name).append(">").append(content);
  out.append("</").append(name).append(">");
  return out;
}

std::string operationStart(std::string_view operation) {
  std::string out(kHead);
  out.append("<").append(operation).append(kServiceNs).append(">");
  return out;
}

std::string operationEnd(std::string_view operation) {
  std::string out;
  out.append("</").append(operation).append(">").append(kTail);
  return out;
}

std::string saveFileHead(const std::string& code, const std::string& password) {
  return operationStart("SaveFile") + element("verification", kReportVerification) +
         element("code", xmlEscapeText(code)) + element("password", xmlEscapeText(password)) +
         "<binData>";
}

std::string saveFileTail() {
  return "</binData>" + element("fileName", "test.jpg") + operationEnd("SaveFile");
}

}  // namespace

std::string xmlEscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') continue;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string soapEnvelope(std::string_view operation, const SoapParams& params) {
  if (params.empty()) {
    std::string out(kHead);
    out.append("<").append(operation).append(kServiceNs).append(" />").append(kTail);
    return out;
  }
  std::string out = operationStart(operation);
  for (const auto& [name, content] : params) out += element(name, content);
  return out + operationEnd(operation);
}

std::string getCodeStringEnvelope() {
  return soapEnvelope("getCodeString", {});
}

std::string getSearchPasswordEnvelope() {
  return soapEnvelope("getSearchPassword", {});
}

std::string insterEnvelope(const ReportForm& form, const std::string& code,
                           const std::string& password) {
  return soapEnvelope("Inster", {{"verification", std::string(kReportVerification)},
                                 {"name", xmlEscapeText(form.name)},
                                 {"sex", "男"},
                                 {"pass", xmlEscapeText(form.idcard)},
                                 {"email", "email"},
                                 {"raddress", "Lanzo"},
                                 {"tel", xmlEscapeText(form.phone)},
                                 {"caddress", "Lanzo市"},
                                 {"content", xmlEscapeText(form.content)},
                                 {"code", xmlEscapeText(code)},
                                 {"password", xmlEscapeText(password)}});
}

std::string searchEnvelope(const std::string& code, const std::string& password) {
  return soapEnvelope("Search",
                      {{"code", xmlEscapeText(code)}, {"password", xmlEscapeText(password)}});
}

std::string saveFileEnvelope(const std::string& code, const std::string& password,
                             std::string_view fileBytes) {
  return saveFileHead(code, password) + Base64::base64EncodedString(fileBytes) + saveFileTail();
}

std::shared_ptr<SaveFileBody> SaveFileBody::open(const std::string& path, const std::string& code,
                                                 const std::string& password) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  return std::shared_ptr<SaveFileBody>(new SaveFileBody(
      fd, static_cast<std::uint64_t>(info.st_size), saveFileHead(code, password), saveFileTail()));
}

SaveFileBody::SaveFileBody(int fd, std::uint64_t fileSize, std::string head, std::string tail)
    : fd_(fd),
      fileSize_(fileSize),
      encodedSize_((fileSize + 2) / 3 * 4),
      head_(std::move(head)),
      tail_(std::move(tail)) {}

SaveFileBody::~SaveFileBody() {
  ::close(fd_);
}

std::uint64_t SaveFileBody::size() const {
  return head_.size() + encodedSize_ + tail_.size();
}

bool SaveFileBody::loadChunk(std::uint64_t encodedOffset) {
  const std::uint64_t encodedChunk = kChunkBytes / 3 * 4;
  std::uint64_t index = encodedOffset / encodedChunk;
  std::uint64_t fileOffset = index * kChunkBytes;
  std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, fileSize_ - fileOffset));
  std::string bytes(want, '\0');
  std::size_t got = 0;
  while (got < want) {
    ssize_t n = ::pread(fd_, bytes.data() + got, want - got, static_cast<off_t>(fileOffset + got));
    if (n <= 0) return false;  // the file shrank or cannot be read: the body would lie
    got += static_cast<std::size_t>(n);
  }
  chunk_ = Base64::base64EncodedString(bytes);
  chunkStart_ = index * encodedChunk;
  return true;
}

long long SaveFileBody::read(std::uint64_t offset, char* out, std::size_t length) {
  std::size_t copied = 0;
  while (copied < length && offset < size()) {
    std::size_t n = 0;
    if (offset < head_.size()) {
      n = std::min<std::size_t>(length - copied, head_.size() - offset);
      std::memcpy(out + copied, head_.data() + offset, n);
    } else if (offset < head_.size() + encodedSize_) {
      std::uint64_t at = offset - head_.size();
      if (at < chunkStart_ || at >= chunkStart_ + chunk_.size() || chunk_.empty()) {
        if (!loadChunk(at)) return -1;
      }
      std::size_t inChunk = static_cast<std::size_t>(at - chunkStart_);
      n = std::min(length - copied, chunk_.size() - inChunk);
      std::memcpy(out + copied, chunk_.data() + inChunk, n);
    } else {
      std::size_t at = static_cast<std::size_t>(offset - head_.size() - encodedSize_);
      n = std::min(length - copied, tail_.size() - at);
      std::memcpy(out + copied, tail_.data() + at, n);
    }
    copied += n;
    offset += n;
  }
  return static_cast<long long>(copied);
}

}  // namespace vokari
