#include "reports/ReportViewController.h"

#include "core/VersionManage.h"
#include "reports/KeptReports.h"
#include "reports/ReportChecks.h"
#include "storage/StorageNotice.h"
#include "transport/ServiceCall.h"
#include "ui/Ui.h"

namespace vokari {
namespace {

constexpr const char* kUploading = "正在上传...";
constexpr const char* kUploadFailed = "上传失败";
constexpr const char* kConnectionFailed = "连接失败";
constexpr double kNoticeSeconds = 0.8;

}  // namespace

ReportViewController::ReportViewController() : ui::Screen("举报") {
  nameField.placeholder = "姓名";
  idcardField.placeholder = "身份证(领取奖励的重要凭证)";
  idcardField.keyboard = ui::Keyboard::NumbersAndPunctuation;
  phoneField.placeholder = "电话号码";
  phoneField.keyboard = ui::Keyboard::NumberPad;
  contentField.placeholder = kContentPrompt;
  contentField.multiline = true;
  for (ui::TextField* field : {&nameField, &idcardField, &phoneField, &contentField}) {
    // The return key only closes the keyboard.
    field->onReturn = [field] { field->focused = false; };
    add(*field);
  }
  attachLabel.text = "添加附件";
  add(attachLabel);
  for (ui::Picture& thumbnail : attachments.thumbnails) add(thumbnail);
  attachments.addButton.title = "+";
  attachments.addButton.role = ui::ButtonRole::Secondary;
  attachments.addButton.onPress = [this] { onAttach(); };
  add(attachments.addButton);
  attachments.onChange = [this] { setRunning(running_); };
  submitButton.title = "提交";
  submitButton.onPress = [this] { onSubmit(); };
  add(submitButton);
}

void ReportViewController::backPressed() {
  // Leaving ends the chain without a message; the overlay must not outlive the form.
  if (running_) {
    request_.reset();
    ui::Ui::current().hud->dismiss();
  }
  attachments.cancel();
  ui::Screen::backPressed();
}

void ReportViewController::alert(const std::string& message) {
  ui::Ui::current().alerts->show({"", message, {"好"}});
}

void ReportViewController::onAttach() {
  for (ui::TextField* field : {&nameField, &idcardField, &phoneField, &contentField}) {
    field->focused = false;
  }
  attachments.attach();
}

bool ReportViewController::checkData() {
  auto why = reportRefusal(typed(), !attachments.files().empty());
  if (why) alert(*why);
  return !why;
}

void ReportViewController::onSubmit() {
  if (running_ || attachments.converting() || !checkData()) return;
  getIDWithParm(typed());
}

void ReportViewController::setRunning(bool running) {
  // A second press must not cancel a report that may already be filed.
  running_ = running;
  submitButton.enabled = !running && !attachments.converting();
  attachments.addButton.enabled = !running;
}

void ReportViewController::send(int tag, std::string_view operation, std::string envelope,
                                std::shared_ptr<HttpBodySource> source) {
  SoapCall call{.operation = operation,
                .envelope = std::move(envelope),
                .bodySource = std::move(source),
                .delegate = this,
                .tag = tag};
  if (!startSoapCall(request_, call)) fail(kConnectionFailed);
}

void ReportViewController::getIDWithParm(const std::optional<ReportForm>& parm) {
  ui::Ui::current().hud->showBusy(kUploading);
  if (!parm) return;
  parm_ = parm;
  setRunning(true);
  send(kTagCode, "getCodeString", getCodeStringEnvelope());
}

void ReportViewController::getPwd() {
  send(kTagPwd, "getSearchPassword", getSearchPasswordEnvelope());
}

void ReportViewController::reportWithParm(const ReportForm& parm) {
  send(kTagInster, "Inster", insterEnvelope(parm, code_, password_));
}

void ReportViewController::saveFileByIndex(std::size_t index) {
  if (index >= attachments.files().size()) return;
  // Streamed from the file, so a large video never has to be in memory as Base64 text.
  auto body = SaveFileBody::open(attachments.files()[index], code_, password_);
  if (!body) return fail(kUploadFailed);  // the attachment file is gone
  send(kTagSaveFile, "SaveFile", {}, std::move(body));
}

const std::array<ReportViewController::Step, 4> ReportViewController::kSteps{{
    {kTagCode, "getCodeStringResult", &ReportViewController::returnCode},
    {kTagPwd, "getSearchPasswordResult", &ReportViewController::returnPwd},
    {kTagInster, "InsterResult", &ReportViewController::returnReportResult},
    {kTagSaveFile, "SaveFileResult", &ReportViewController::returnFileResult},
}};

void ReportViewController::requestFinished(HttpRequest& request) {
  std::string reply = jsonReplyText(request).value_or("");
  const int tag = request.tag();
  request_.reset();
  for (const Step& step : kSteps) {
    if (step.tag != tag) continue;
    auto result = readSoapResult(reply, step.resultElement);
    // A reply without its result would otherwise leave the chain waiting for ever.
    if (!result) return fail(kUploadFailed);
    return (this->*step.next)(*result);
  }
}

void ReportViewController::requestFailed(HttpRequest&) {
  fail(kConnectionFailed);
}

void ReportViewController::returnCode(const std::string& code) {
  code_ = code;
  getPwd();
}

void ReportViewController::returnPwd(const std::string& password) {
  password_ = password;
  // Kept before the report is sent: from here on it may exist at the service, and this pair is
  // the only way to query it. Not even sent when it cannot be kept.
  reportFolder_ = VersionManage::sharedVersionManage().reportPath;
  if (!reportFolder_.empty()) {
    if (Status kept = KeptReports::keep(reportFolder_, {code_, password_}); !kept)
      return fail(storageNotice(kept));
  }
  if (parm_) reportWithParm(*parm_);
}

void ReportViewController::returnReportResult(const std::string& result) {
  if (result != "1") return fail(kUploadFailed);
  if (attachments.files().empty()) return succeed();
  sendIndex_ = 0;
  saveFileByIndex(sendIndex_);
}

void ReportViewController::returnFileResult(const std::string& result) {
  if (result != "Update:1") return fail(kUploadFailed);
  if (++sendIndex_ < attachments.files().size()) return saveFileByIndex(sendIndex_);
  succeed();
}

void ReportViewController::fail(const std::string& message) {
  request_.reset();
  setRunning(false);
  ui::Ui::current().hud->showError(message, kNoticeSeconds);
}

void ReportViewController::succeed() {
  setRunning(false);
  ui::Ui::current().hud->dismiss();
  clearData();
  KeptReports::show(reportFolder_, {code_, password_});
}

void ReportViewController::clearData() {
  for (ui::TextField* field : {&nameField, &idcardField, &phoneField, &contentField})
    field->text.clear();
  attachments.clear();
  sendIndex_ = 0;
}

}  // namespace vokari
