#pragma once
// The alarm phone number ("手机号码"): the number sent with every alarm position, and the start
// of the change to a new one, which asks a code for the new number.

#include <memory>
#include <string>

#include "common/CodeSender.h"
#include "ui/Screen.h"

namespace vokari {

class AlarmNumber final : public ui::Screen {
 public:
  static constexpr const char* kExplanation =
      "使用110报警时，本APP会将你的GPS位置连同手机号码传送至报案中心。\n"
      "注1：请使用1开头11位本机手机号码\n"
      "注2：更换SIM卡时需重新输入。";

  AlarmNumber();

  void viewDidLoad() override;
  void viewWillAppear() override;
  void MultiSave();

  ui::TextField tf_phone;
  ui::Label explanation;

 private:
  void warn(const std::string& message);
  void openPhoneChange(const std::string& newPhone);
  void setWaiting(bool waiting);

  std::string newPhone_;  // the number the code request in flight is for
  CodeSender getcode{GetCodeRequest::kChangePhone, 0.8};
};

}  // namespace vokari
