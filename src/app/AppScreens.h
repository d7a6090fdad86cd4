#pragma once
// The screen factory of the application: every screen a feature asks for by role.

#include "ui/Screens.h"

namespace vokari {

class AppDelegate;

class AppScreens final : public ui::Screens {
 public:
  std::shared_ptr<ui::Screen> login() override;
  std::shared_ptr<ui::Screen> main() override;
  std::shared_ptr<ui::Screen> resetPassword() override;
  std::shared_ptr<ui::Screen> agreement(const nlohmann::json& account,
                                        const std::string& phone) override;
  std::shared_ptr<ui::Screen> personalCenter(const nlohmann::json& person) override;
  std::shared_ptr<ui::Screen> news() override;
  std::shared_ptr<ui::Screen> reportPrizes() override;
  std::shared_ptr<ui::Screen> settings() override;
  std::shared_ptr<ui::Screen> alarmNumber() override;
  std::shared_ptr<ui::Screen> phoneNumberSet(const std::string& newPhone) override;
  std::shared_ptr<ui::Screen> alarmHelp() override;
  std::shared_ptr<ui::Screen> areaSelect() override;
  std::shared_ptr<ui::Screen> queryReservation() override;

  AppDelegate* delegate = nullptr;  // for screens that reach the application object
};

}  // namespace vokari
