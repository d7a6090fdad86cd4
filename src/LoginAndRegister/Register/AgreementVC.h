#pragma once
// The installation agreement. At the end of registration it offers "同意", which signs the new
// account in and shows the main screen; from the settings it is a plain reading page, and the
// control stays hidden while an account is signed in.

#include <string>

#include <nlohmann/json.hpp>

#include "ui/Screen.h"

namespace vokari {

class AgreementVC final : public ui::Screen {
 public:
  // A reading page: nothing to accept.
  AgreementVC();
  // At the end of registration: the account record to store on acceptance, and its number.
  AgreementVC(nlohmann::json dicAccount, std::string phoneNum);

  void viewWillAppear() override;

  nlohmann::json dicAccount;
  std::string phoneNum;

 private:
  void agree();
  void pushToMain();

  ui::Label text_;
  ui::Button accept_;
};

}  // namespace vokari
