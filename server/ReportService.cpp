// The crime-report SOAP service and its three web pages. A report is filed under a query
// ID and a password the service handed out, then gets its files one call each.

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "Http.h"
#include "Services.h"
#include "Soap.h"

namespace vokari_backend {
namespace {

// A phone's longest video, as Base64 inside its envelope.
constexpr size_t kMaxUpload = 300u << 20;
// Every other call: the longest is a report whose text is typed on a phone.
constexpr size_t kMaxSoapBody = 1u << 20;
// What one report takes: the phone attaches at most four pictures or videos.
constexpr int kMaxFilesPerReport = 4;
constexpr std::uint64_t kMaxReportBytes = 4 * (kMaxUpload / 4 * 3);
constexpr std::string_view kVerification = "41872093556120873349017265";
constexpr const char* kNotFound = "result:查询ID或密码错误files:0";

using Params = std::map<std::string, std::string>;

const std::string& param(const Params& params, const std::string& key) {
  auto it = params.find(key);
  if (it == params.end()) throw BadInput(key);
  return it->second;
}

// Hands out a value of a kind ("code" or "password") never handed out before.
std::string issue(Call& call, const std::string& kind, const std::string& prefix, int digits) {
  for (;;) {
    std::string value = prefix + randomDigits(call, digits);
    if (call.db.run("INSERT OR IGNORE INTO report_keys(kind, value) VALUES (?, ?)",
                    {kind, value}) == 1) {
      return value;
    }
  }
}

std::string getCodeString(const Params&, Call& call) {
  std::string day = dayText(call.now);
  return issue(call, "code", day.substr(2, 2) + day.substr(5, 2) + day.substr(8, 2), 6);
}

std::string getSearchPassword(const Params&, Call& call) {
  return issue(call, "password", "", 6);
}

bool unused(Call& call, const std::string& kind, const std::string& value) {
  return call.db
      .row("SELECT 1 FROM report_keys WHERE kind = ? AND value = ? AND used = 0", {kind, value})
      .has_value();
}

std::string inster(const Params& p, Call& call) {
  for (const char* key : {"sex", "email", "raddress", "caddress"}) param(p, key);
  const std::string& code = param(p, "code");
  const std::string& password = param(p, "password");
  bool valid = param(p, "verification") == kVerification && !param(p, "name").empty() &&
               !param(p, "tel").empty() && unused(call, "code", code) &&
               unused(call, "password", password);
  if (!valid) return "0";
  for (const auto& [kind, value] : {std::pair{"code", code}, std::pair{"password", password}}) {
    call.db.run("UPDATE report_keys SET used = 1 WHERE kind = ? AND value = ?", {kind, value});
  }
  call.db.run(
      "INSERT INTO reports(code, password, name, idcard, tel, content, state, filed_at) "
      "VALUES (?, ?, ?, ?, ?, ?, '', ?)",
      {code, password, param(p, "name"), param(p, "pass"), param(p, "tel"), param(p, "content"),
       timeText(call.now)});
  return "1";
}

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Bytes free for us on the disk that holds path; 0 when unknown.
std::uint64_t freeSpace(const std::string& path) {
  struct statvfs disk {};
  if (::statvfs(path.c_str(), &disk) != 0) return 0;
  return static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
}

// A file's Base64 text (standard, padded, one line) decoded into a temporary file as it
// arrives; the file goes to its place under the report only once the call is accepted. It
// takes at most `allowance` bytes and stops while the disk has less than `reserve` free.
class Upload final {
 public:
  Upload(const std::string& dataDir, std::uint64_t allowance, std::uint64_t reserve)
      : allowance_(allowance), reserve_(reserve) {
    auto folder = std::filesystem::path(dataDir) / "report-files";
    std::filesystem::create_directories(folder);
    folder_ = folder.string();
    if (!roomLeft()) return;
    std::string name = (folder / ".upload-XXXXXX").string();
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);  // private (0600) like every stored file
    if (fd_ >= 0) path_ = name;
  }
  bool ready() const { return fd_ >= 0; }  // false: no room on the disk, or no file
  ~Upload() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  Upload(const Upload&) = delete;
  Upload& operator=(const Upload&) = delete;

  bool take(std::string_view text) {
    for (char c : text) {
      if (!put(c)) return false;
    }
    return true;
  }
  // The whole text was taken: true when it was well formed, not empty and written out.
  bool close() {
    bool whole = fd_ >= 0 && quad_ == 0 && size_ + out_.size() > 0 && flush();
    if (fd_ >= 0 && ::close(fd_) != 0) whole = false;
    fd_ = -1;
    return whole;
  }
  size_t size() const { return size_; }
  // Moves the file to path; afterwards nothing is left to remove.
  void moveTo(const std::string& path) {
    std::filesystem::rename(path_, path);
    path_.clear();
  }

 private:
  bool put(char c) {
    if (ended_) return false;  // nothing may follow the padding
    int value = 0;
    if (c == '=') {
      if (quad_ < 2) return false;
      ++padding_;
    } else {
      value = padding_ ? -1 : base64Value(c);
      if (value < 0) return false;
    }
    bits_ = (bits_ << 6) | static_cast<unsigned>(value);
    if (++quad_ < 4) return true;
    for (int k = 0; k < 3 - padding_; ++k)
      out_ += static_cast<char>((bits_ >> (16 - 8 * k)) & 0xff);
    quad_ = 0;
    bits_ = 0;
    ended_ = padding_ > 0;
    return out_.size() < kBuffer || flush();
  }
  bool roomLeft() const { return freeSpace(folder_) >= reserve_ + out_.size(); }
  bool flush() {
    if (fd_ < 0 || size_ + out_.size() > allowance_ || !roomLeft()) return false;
    std::string_view rest = out_;
    while (!rest.empty()) {
      ssize_t n = ::write(fd_, rest.data(), rest.size());
      if (n <= 0) return false;
      rest.remove_prefix(static_cast<size_t>(n));
    }
    size_ += out_.size();
    out_.clear();
    return true;
  }

  static constexpr size_t kBuffer = 64u << 10;
  std::uint64_t allowance_;
  std::uint64_t reserve_;
  std::string folder_;
  int fd_ = -1;
  std::string path_;
  std::string out_;
  size_t size_ = 0;
  unsigned bits_ = 0;
  int quad_ = 0;
  int padding_ = 0;
  bool ended_ = false;
};

// The client's name goes into the file name only as far as it is harmless.
std::string safeName(const std::string& name) {
  std::string safe;
  for (char c : name) {
    bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  return safe.empty() || safe[0] == '.' ? "file" + safe : safe;
}

// The bytes a report may still take, when the call names it by its keys and it has room for
// one more file; none otherwise.
std::optional<std::uint64_t> allowanceFor(const Params& p, Call& call) {
  if (param(p, "verification") != kVerification) return std::nullopt;
  auto report = call.db.row(
      "SELECT count(f.id) AS files, coalesce(sum(f.size), 0) AS bytes FROM reports r "
      "LEFT JOIN report_files f ON f.code = r.code WHERE r.code = ? AND r.password = ? "
      "GROUP BY r.code",
      {param(p, "code"), param(p, "password")});
  if (!report) return std::nullopt;
  std::uint64_t bytes = std::stoull((*report)["bytes"]);
  if (std::stoi((*report)["files"]) >= kMaxFilesPerReport || bytes >= kMaxReportBytes)
    return std::nullopt;
  return kMaxReportBytes - bytes;
}

std::string saveFile(const Params& p, Call& call, Upload& upload) {
  const std::string& code = param(p, "code");
  const std::string& name = param(p, "fileName");
  param(p, "binData");
  // Again under the lock: another upload to the report may have been stored meanwhile.
  auto allowance = allowanceFor(p, call);
  if (!allowance || upload.size() > *allowance) return "Update:0";
  auto count = call.db.row("SELECT count(*) AS n FROM report_files WHERE code = ?", {code});
  auto folder = std::filesystem::path(call.dataDir) / "report-files" / code;
  std::filesystem::create_directories(folder);
  auto path = folder / (std::to_string(std::stoi((*count)["n"]) + 1) + "-" + safeName(name));
  call.db.run(
      "INSERT INTO report_files(code, file_name, size, path, saved_at) VALUES (?, ?, ?, ?, ?)",
      {code, name, static_cast<long long>(upload.size()), path.string(), timeText(call.now)});
  // Last, so that a failure before leaves no file behind a rolled-back row.
  upload.moveTo(path.string());
  return "Update:1";
}

// A SaveFile read whole: the file comes only streamed (the route streams every call whose
// SOAPAction names SaveFile), so this is a call that contradicts its SOAPAction.
std::string refuseSaveFile(const Params&, Call&) {
  return "Update:0";
}

std::string search(const Params& p, Call& call) {
  auto report = call.db.row(
      "SELECT r.state, count(f.id) AS files FROM reports r "
      "LEFT JOIN report_files f ON f.code = r.code WHERE r.code = ? AND r.password = ? "
      "GROUP BY r.code",
      {param(p, "code"), param(p, "password")});
  if (!report) return kNotFound;
  return "result:" + (*report)["state"] + "files:" + (*report)["files"];
}

struct Operation {
  std::string_view name;
  std::string_view failure;  // the result text of any refused or malformed call
  std::string (*run)(const Params&, Call&);
};

constexpr std::array<Operation, 5> kOperations{{
    {"getCodeString", "", getCodeString},
    {"getSearchPassword", "", getSearchPassword},
    {"Inster", "0", inster},
    {"SaveFile", "Update:0", refuseSaveFile},
    {"Search", kNotFound, search},
}};

const Operation* operationNamed(std::string_view name) {
  for (const Operation& op : kOperations) {
    if (op.name == name) return &op;
  }
  return nullptr;
}

// The operation named by the SOAPAction header, "http://tempuri.org/<name>", quotes allowed.
std::string requestedOperation(const Request& request) {
  std::string action = request.header("SOAPAction");
  if (action.size() >= 2 && action.front() == '"' && action.back() == '"') {
    action = action.substr(1, action.size() - 2);
  }
  const std::string prefix = "http://tempuri.org/";
  return action.starts_with(prefix) ? action.substr(prefix.size()) : "";
}

void sendXml(Response& response, const std::string& xml) {
  response.setContent(xml, "text/xml; charset=utf-8");
}

// A call the service cannot take answers its operation's failure text, so that the
// client's chain ends; one that names no operation gets a SOAP fault.
void answerFailure(const Request& request, Response& response) {
  const Operation* op = operationNamed(requestedOperation(request));
  if (op) return sendXml(response, soapReply(std::string(op->name), std::string(op->failure)));
  if (response.status < 400) response.status = 500;
  sendXml(response, soapFault("The request names no operation of this service."));
}

// The operation, when the envelope, the SOAPAction and the Content-Type agree on it.
const Operation* agreedOperation(const Request& request, const std::optional<SoapRequest>& soap) {
  const Operation* op = soap ? operationNamed(soap->operation) : nullptr;
  bool agreed = op && requestedOperation(request) == op->name &&
                request.header("Content-Type").starts_with("text/xml");
  return agreed ? op : nullptr;
}

template <typename Run>
void answer(Store& store, const Request& request, Response& response, const Operation& op,
            Run run) {
  std::string result(op.failure);
  try {
    result = store.transact(origin(request), run);
  } catch (const std::exception&) {
    // a missing parameter, a database or file error: the failure text stands
  }
  sendXml(response, soapReply(std::string(op.name), result));
}

void serveSoap(Store& store, const Request& request, Response& response) {
  auto soap = parseSoap(request.body);
  const Operation* op = agreedOperation(request, soap);
  if (!op) return answerFailure(request, response);
  answer(store, request, response, *op, [&](Call& call) { return op->run(soap->params, call); });
}

// A SaveFile body taken as it arrives: the envelope through the streaming reader, the file's
// text decoded straight into its upload, so that a long video costs no more memory than a photo.
// The credentials come before the file: a file for no report, or for one without room, is
// refused before a byte of it is written.
class SaveFileReader final : public BodyReader {
 public:
  explicit SaveFileReader(Store& store)
      : store_(store),
        soap_(
            "binData", [this](std::string_view text) { return upload_ && upload_->take(text); },
            [this](const Params& before) { return open(before); }) {}

  void feed(std::string_view bytes) override { soap_.feed(bytes); }

  void finish(const Request& request, Response& response) override {
    auto soap = soap_.finish();
    const Operation* op = agreedOperation(request, soap);
    if (!op || op->name != "SaveFile") return answerFailure(request, response);
    bool file = upload_ && upload_->close();
    answer(store_, request, response, *op, [&](Call& call) -> std::string {
      if (!file) return "Update:0";
      return saveFile(soap->params, call, *upload_);
    });
  }

 private:
  bool open(const Params& before) {
    if (upload_) return false;  // one file a call
    std::optional<std::uint64_t> allowance;
    try {
      allowance = store_.transact("", [&](Call& call) { return allowanceFor(before, call); });
    } catch (const std::exception&) {
      // a missing parameter or a database error: refused
    }
    if (!allowance) return false;
    upload_.emplace(store_.dataDir(), *allowance, store_.diskReserve());
    return upload_->ready();
  }

  Store& store_;
  std::optional<Upload> upload_;
  SoapReader soap_;
};

struct Page {
  const char* path;
  const char* title;
  const char* text;
};

constexpr std::array<Page, 3> kPages{{
    {"/CrimeReports/Guide.aspx", "举报指南",
     "<p>举报时请写明时间、地点、人员和事由，可附上照片或视频。</p>"
     "<p>提交后请记下查询ID和密码，凭此查询受理进度。</p>"},
    {"/CrimeReports/Notice.aspx", "奖励公告",
     "<p>经查证属实的举报，按线索价值给予奖励。</p>"
     "<p>领取奖励时请出示举报时填写的身份证件。</p>"},
    {"/CrimeReports/Case.aspx", "典型案例",
     "<p>群众举报线索，警方破获一起盗窃电动车案件，举报人获奖励。</p>"
     "<p>根据网上举报，警方查处一处非法经营场所。</p>"},
}};

void servePages(Server& server) {
  for (const Page& page : kPages) {
    std::string html = std::string(
                           "<!DOCTYPE html><html lang=\"zh\"><head><meta charset=\"utf-8\">"
                           "<meta name=\"viewport\" content=\"width=device-width\"><title>") +
                       page.title + "</title></head><body><h1>" + page.title + "</h1>" + page.text +
                       "</body></html>";
    server.get(page.path, [html](const Request&, Response& response) {
      response.setContent(html, "text/html; charset=utf-8");
    });
  }
}

}  // namespace

void addReportService(Server& server, Store& store) {
  server.postStream(
      "/CrimeReports_App/Service.asmx", kMaxUpload,
      [&store](const Request& request) -> std::unique_ptr<BodyReader> {
        if (requestedOperation(request) != "SaveFile" || compressedBody(request)) return nullptr;
        return std::make_unique<SaveFileReader>(store);
      },
      [&store](const Request& request, Response& response) { serveSoap(store, request, response); },
      {.bodyLimit = kMaxSoapBody});
  servePages(server);
  server.setErrorHandler(answerFailure);
}

}  // namespace vokari_backend
