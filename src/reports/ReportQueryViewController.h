#pragma once
// The report query ("查询"): a query ID and password looked up at the crime-report service; the
// state of the report is shown in an alert. No overlay while the query runs; the query ends
// when the screen is left.

#include <optional>
#include <string>

#include "reports/ReplyReaders.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class ReportQueryViewController final : public ui::Screen, private HttpRequestDelegate {
 public:
  ReportQueryViewController();

  bool checkData() const;
  void onSubmit();
  void showPassword();
  void queryWithId(const std::string& code, const std::string& password);

  void viewWillDisappear() override;
  // Shows the state of the report between the reply's markers.
  void returnQueryResult(const std::string& result);

  // The text between "result:" and the "files:" after it; none when a marker is missing.
  static std::optional<std::string> reportState(const std::string& result);

  ui::TextField codeField;
  ui::TextField passwordField;
  ui::Label hint;
  ui::CheckBox showPasswordBox;
  ui::Button submitButton;

 private:
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  RequestHandle request_;
};

}  // namespace vokari
