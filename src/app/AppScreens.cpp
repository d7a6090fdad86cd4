#include "app/AppScreens.h"

#include "LoginAndRegister/AreaSelectViewController.h"
#include "LoginAndRegister/Login/LoginViewController.h"
#include "LoginAndRegister/Login/PersonalcenterViewController.h"
#include "LoginAndRegister/PhoneNumberSetViewController.h"
#include "LoginAndRegister/Register/AgreementVC.h"
#include "LoginAndRegister/Reset/ResetPasswordViewController.h"
#include "alarm/AlarmHelp.h"
#include "alarm/AlarmNumber.h"
#include "alarm/MainViewController.h"
#include "appointments/QueryReservationViewController.h"
#include "news/NewsViewController.h"
#include "reports/ReportPrizesViewController.h"
#include "settings/NewSettingViewController.h"

namespace vokari {

std::shared_ptr<ui::Screen> AppScreens::login() {
  return std::make_shared<LoginViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::main() {
  return std::make_shared<MainViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::resetPassword() {
  return std::make_shared<ResetPasswordViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::agreement(const nlohmann::json& account,
                                                  const std::string& phone) {
  if (account.is_null()) return std::make_shared<AgreementVC>();
  return std::make_shared<AgreementVC>(account, phone);
}

std::shared_ptr<ui::Screen> AppScreens::personalCenter(const nlohmann::json& person) {
  return std::make_shared<PersonalcenterViewController>(person);
}

std::shared_ptr<ui::Screen> AppScreens::news() {
  return std::make_shared<NewsViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::reportPrizes() {
  return std::make_shared<ReportPrizesViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::settings() {
  return std::make_shared<NewSettingViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::alarmNumber() {
  return std::make_shared<AlarmNumber>();
}

std::shared_ptr<ui::Screen> AppScreens::phoneNumberSet(const std::string& newPhone) {
  return std::make_shared<PhoneNumberSetViewController>(newPhone);
}

std::shared_ptr<ui::Screen> AppScreens::alarmHelp() {
  return std::make_shared<AlarmHelp>();
}

std::shared_ptr<ui::Screen> AppScreens::areaSelect() {
  return std::make_shared<AreaSelectViewController>();
}

std::shared_ptr<ui::Screen> AppScreens::queryReservation() {
  return std::make_shared<QueryReservationViewController>();
}

}  // namespace vokari
