#pragma once
// The report query ("查询"): a query ID and password looked up at the crime-report service; the
// state of the report is shown in an alert. No overlay while the query runs.

#include <optional>
#include <string>

#include "reports/ReplyReaders.h"
#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class ReportQueryViewController final : public ui::Screen,
                                        public HttpRequestDelegate,
                                        public QueryPraseDelegate {
 public:
  ReportQueryViewController();

  bool checkData() const;
  void onSubmit();
  void showPassword();
  void queryWithId(const std::string& code, const std::string& password);

  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;
  void returnQueryResult(const std::string& result) override;

  // The text between "result:" and the "files:" after it; none when a marker is missing.
  static std::optional<std::string> reportState(const std::string& result);

  ui::TextField codeField;
  ui::TextField passwordField;
  ui::Label hint;
  ui::CheckBox showPasswordBox;
  ui::Button submitButton;

 private:
  RequestHandle request_;
};

}  // namespace vokari
