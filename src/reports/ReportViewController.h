#pragma once
// The report form ("举报"): four inputs and up to four attachments, filed with the crime-report
// service in a chain of calls (query ID, password, report, then one call per file), each step
// started by the previous reply once it has been read. The form keeps its values on every
// failure.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "reports/ReplyReaders.h"
#include "reports/ReportAttachments.h"
#include "reports/ReportChecks.h"
#include "reports/SoapEnvelope.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class ReportViewController final : public ui::Screen, private HttpRequestDelegate {
 public:
  static constexpr int kTagInster = 10002;
  static constexpr int kTagCode = 10003;
  static constexpr int kTagPwd = 10004;
  static constexpr int kTagSaveFile = 10005;
  static constexpr const char* kContentPrompt = kReportContentPrompt;

  ReportViewController();

  void backPressed() override;

  void onAttach();
  bool checkData();
  void onSubmit();
  void clearData();

  // The chain's steps; each cancels the screen's running request first.
  void getIDWithParm(const std::optional<ReportForm>& parm);
  void getPwd();
  void reportWithParm(const ReportForm& parm);
  void saveFileByIndex(std::size_t index);

  const std::vector<std::string>& selectFiles() const { return attachments.files(); }
  std::size_t sendIndex() const { return sendIndex_; }
  const std::string& queryId() const { return code_; }
  const std::string& queryPassword() const { return password_; }

  ui::TextField nameField;
  ui::TextField idcardField;
  ui::TextField phoneField;
  ui::TextField contentField;
  ui::Label attachLabel;
  ReportAttachments attachments;
  ui::Button submitButton;

 private:
  // One link of the chain: the tag of its request, the element its reply's result is read
  // from, and what that result leads to.
  struct Step {
    int tag;
    std::string_view resultElement;
    void (ReportViewController::*next)(const std::string& result);
  };
  static const std::array<Step, 4> kSteps;

  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
  void returnCode(const std::string& code);
  void returnPwd(const std::string& password);
  void returnReportResult(const std::string& result);
  void returnFileResult(const std::string& result);
  ReportForm typed() const {
    return {nameField.text, idcardField.text, phoneField.text, contentField.text};
  }
  void send(int tag, std::string_view operation, std::string envelope,
            std::shared_ptr<HttpBodySource> source = nullptr);
  void fail(const std::string& message);
  void succeed();
  void setRunning(bool running);
  void alert(const std::string& message);

  RequestHandle request_;
  std::optional<ReportForm> parm_;
  std::string code_;
  std::string password_;
  std::string reportFolder_;  // the filer's report folder, where the pair is kept
  std::size_t sendIndex_ = 0;
  bool running_ = false;
};

}  // namespace vokari
