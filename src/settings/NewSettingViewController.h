#pragma once
// The settings menu ("设置"): shows the stored phone number and news areas and leads to the
// screens that change them, the personal centre, the agreement, feedback and the about page.
// Its only request of its own is the personal information fetched before the personal centre.

#include <memory>
#include <string>

#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class NewSettingViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  NewSettingViewController();

  void viewWillAppear() override;
  void viewWillDisappear() override;
  void backPressed() override;  // MultiBack

  // The stored phone number, or "尚未输入手机号".
  static std::string getPhoneNum();
  static std::string setCellTitle(int section);
  static std::string setCellText(int section, int row);
  static std::string setCellText2(int row);

  // Cancels a running personal-information request, then asks for it again.
  void getPersonInfo();

  ui::Table table;

 private:
  void reloadTable();
  void didSelect(int section, int row);
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  RequestHandle personRequest_;
};

}  // namespace vokari
