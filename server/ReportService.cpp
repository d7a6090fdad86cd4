// The crime-report SOAP service and its three web pages. A report is filed under a query
// ID and a password the service handed out, then gets its files one call each.

#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>

#include "Http.h"
#include "Services.h"
#include "Soap.h"

namespace vokari_backend {
namespace {

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
  return call.db.row("SELECT 1 FROM report_keys WHERE kind = ? AND value = ? AND used = 0",
                     {kind, value})
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

// Standard Base64 with padding, one line; nothing for any other text.
std::optional<std::string> base64Decode(const std::string& text) {
  if (text.size() % 4 != 0) return std::nullopt;
  size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (size_t i = 0; i < text.size() - padding; ++i) {
    int value = base64Value(text[i]);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<unsigned>(value);
    if (++count % 4 == 0) {
      for (int shift = 16; shift >= 0; shift -= 8) bytes += static_cast<char>((bits >> shift) & 0xff);
      bits = 0;
    }
  }
  if (padding == 2) bytes += static_cast<char>((bits >> 4) & 0xff);
  if (padding == 1) {
    bytes += static_cast<char>((bits >> 10) & 0xff);
    bytes += static_cast<char>((bits >> 2) & 0xff);
  }
  return bytes;
}

// The client's name goes into the file name only as far as it is harmless.
std::string safeName(const std::string& name) {
  std::string safe;
  for (char c : name) {
    bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  return safe.empty() || safe[0] == '.' ? "file" + safe : safe;
}

std::string storeFile(Call& call, const std::string& code, const std::string& name,
                      const std::string& bytes) {
  auto count = call.db.row("SELECT count(*) AS n FROM report_files WHERE code = ?", {code});
  auto folder = std::filesystem::path(call.dataDir) / "report-files" / code;
  std::filesystem::create_directories(folder);
  auto path = folder / (std::to_string(std::stoi((*count)["n"]) + 1) + "-" + safeName(name));
  createPrivateFile(path.string());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
  return path.string();
}

std::string saveFile(const Params& p, Call& call) {
  const std::string& code = param(p, "code");
  const std::string& name = param(p, "fileName");
  auto bytes = base64Decode(param(p, "binData"));
  bool valid = param(p, "verification") == kVerification && bytes && !bytes->empty() &&
               call.db.row("SELECT 1 FROM reports WHERE code = ? AND password = ?",
                           {code, param(p, "password")}).has_value();
  if (!valid) return "Update:0";
  std::string path = storeFile(call, code, name, *bytes);
  call.db.run(
      "INSERT INTO report_files(code, file_name, size, path, saved_at) VALUES (?, ?, ?, ?, ?)",
      {code, name, static_cast<long long>(bytes->size()), path, timeText(call.now)});
  return "Update:1";
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
    {"SaveFile", "Update:0", saveFile},
    {"Search", kNotFound, search},
}};

const Operation* operationNamed(std::string_view name) {
  for (const Operation& op : kOperations) {
    if (op.name == name) return &op;
  }
  return nullptr;
}

// The operation named by the SOAPAction header, "http://tempuri.org/<name>", quotes allowed.
std::string requestedOperation(const httplib::Request& request) {
  std::string action = request.get_header_value("SOAPAction");
  if (action.size() >= 2 && action.front() == '"' && action.back() == '"') {
    action = action.substr(1, action.size() - 2);
  }
  const std::string prefix = "http://tempuri.org/";
  return action.starts_with(prefix) ? action.substr(prefix.size()) : "";
}

void sendXml(httplib::Response& response, const std::string& xml) {
  response.set_content(xml, "text/xml; charset=utf-8");
}

// A call the service cannot take answers its operation's failure text, so that the
// client's chain ends; one that names no operation gets a SOAP fault.
void answerFailure(const httplib::Request& request, httplib::Response& response) {
  const Operation* op = operationNamed(requestedOperation(request));
  if (op) return sendXml(response, soapReply(std::string(op->name), std::string(op->failure)));
  if (response.status < 400) response.status = 500;
  sendXml(response, soapFault("The request names no operation of this service."));
}

void serveSoap(Store& store, const httplib::Request& request, httplib::Response& response) {
  auto soap = parseSoap(request.body);
  const Operation* op = soap ? operationNamed(soap->operation) : nullptr;
  bool agreed = op && requestedOperation(request) == op->name &&
                request.get_header_value("Content-Type").starts_with("text/xml");
  if (!agreed) return answerFailure(request, response);
  std::string result(op->failure);
  try {
    result = store.transact(origin(request), [&](Call& call) { return op->run(soap->params, call); });
  } catch (const std::exception&) {
    // a missing parameter or a database error: the failure text stands
  }
  sendXml(response, soapReply(std::string(op->name), result));
}

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

void servePages(httplib::Server& server) {
  for (const Page& page : kPages) {
    std::string html = std::string("<!DOCTYPE html><html lang=\"zh\"><head><meta charset=\"utf-8\">"
                                   "<meta name=\"viewport\" content=\"width=device-width\"><title>") +
                       page.title + "</title></head><body><h1>" + page.title + "</h1>" +
                       page.text + "</body></html>";
    server.Get(literalPattern(page.path), [html](const httplib::Request&, httplib::Response& response) {
      response.set_content(html, "text/html; charset=utf-8");
    });
  }
}

}  // namespace

void addReportService(httplib::Server& server, Store& store) {
  server.Post(literalPattern("/CrimeReports_App/Service.asmx"),
              [&store](const httplib::Request& request, httplib::Response& response) {
                serveSoap(store, request, response);
              });
  servePages(server);
  configure(server, answerFailure);
}

}  // namespace vokari_backend
