#include "common/AccountAnomaly.h"

#include "storage/AccountManager.h"
#include "ui/Ui.h"

namespace vokari {

void accountAnomaly(ui::Screen& from) {
  ui::Ui& ui = ui::Ui::current();
  ui.hud->showError("账号异常", 0.8);
  AccountManager::sharedAccountManage().clearUserInfo();
  if (auto login = ui.screens->login()) from.present(login);
}

}  // namespace vokari
