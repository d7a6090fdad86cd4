#include "reports/ReportQueryViewController.h"

#include "core/Extern.h"
#include "reports/SoapEnvelope.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr const char* kResultTitle = "查询结果";
// A reply the client cannot read, or one without the markers: the service's answer is unknown.
constexpr const char* kUnreadable = "查询结果无法识别，请稍后再试";

}  // namespace

ReportQueryViewController::ReportQueryViewController() : ui::Screen("查询") {
  codeField.placeholder = "请输入查询ID";
  passwordField.placeholder = "请输入密码";
  passwordField.secure = true;
  passwordField.keyboard = ui::Keyboard::NumbersAndPunctuation;
  for (ui::TextField* field : {&codeField, &passwordField}) {
    field->onReturn = [field] { field->focused = false; };
  }
  hint.text = "温馨提示:请输入正确的查询ID和密码";
  showPasswordBox.title = "显示密码";
  showPasswordBox.onPress = [this] { showPassword(); };
  submitButton.title = "提交";
  submitButton.onPress = [this] { onSubmit(); };
  add(codeField);
  add(passwordField);
  add(hint);
  add(showPasswordBox);
  add(submitButton);
}

bool ReportQueryViewController::checkData() const {
  return !Extern::isEmptyStringTrim(codeField.text) &&
         !Extern::isEmptyStringTrim(passwordField.text);
}

void ReportQueryViewController::onSubmit() {
  codeField.focused = passwordField.focused = false;
  if (!checkData()) {
    ui::Ui::current().alerts->show({"", "查询ID和密码不能为空！", {"好"}});
    return;
  }
  queryWithId(codeField.text, passwordField.text);
}

void ReportQueryViewController::showPassword() {
  codeField.focused = passwordField.focused = false;
  passwordField.secure = !passwordField.secure;
  showPasswordBox.checked = !passwordField.secure;
}

void ReportQueryViewController::queryWithId(const std::string& code, const std::string& password) {
  // A query changes nothing at the service, so a newer one may replace a running one.
  SoapCall call{
      .operation = "Search", .envelope = searchEnvelope(code, password), .delegate = this};
  if (!startSoapCall(request_, call)) ui::Ui::current().hud->showError("连接失败", 0.8);
}

void ReportQueryViewController::viewWillDisappear() {
  // A reply queued meanwhile would show its alert over whatever screen is shown next.
  request_.reset();
}

void ReportQueryViewController::requestFinished(HttpRequest& request) {
  std::string reply = jsonReplyText(request).value_or("");
  request_.reset();
  auto result = readSoapResult(reply, "SearchResult");
  if (result) return returnQueryResult(*result);
  ui::Ui::current().alerts->show({kResultTitle, kUnreadable, {"好"}});
}

void ReportQueryViewController::requestFailed(HttpRequest&) {
  request_.reset();
  ui::Ui::current().hud->showError("连接失败", 0.8);
}

std::optional<std::string> ReportQueryViewController::reportState(const std::string& result) {
  const std::string open = "result:", close = "files:";
  auto start = result.find(open);
  if (start == std::string::npos) return std::nullopt;
  start += open.size();
  auto end = result.find(close, start);
  if (end == std::string::npos) return std::nullopt;
  return result.substr(start, end - start);
}

void ReportQueryViewController::returnQueryResult(const std::string& result) {
  auto state = reportState(result);
  std::string message = !state ? kUnreadable : state->empty() ? "正在受理中..." : *state;
  ui::Ui::current().alerts->show({kResultTitle, message, {"好"}});
}

}  // namespace vokari
