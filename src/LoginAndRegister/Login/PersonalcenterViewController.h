#pragma once
// The personal centre: the personal information the appointment service holds, with the name
// and identity number open to correction (only the number is saved), clearing the stored
// appointment persons, and signing out.

#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "transport/RequestHandle.h"
#include "ui/Screen.h"

namespace vokari {

class PersonalcenterViewController final : public ui::Screen, public HttpRequestDelegate {
 public:
  // person: a record of a findInformation reply (schedule_phone, schedule_name, schedule_sex,
  // schedule_card_number).
  explicit PersonalcenterViewController(nlohmann::json person);

  void backPressed() override;
  void requestFinished(HttpRequest& request) override;
  void requestFailed(HttpRequest& request) override;

  nlohmann::json dicPerson;
  const std::vector<std::string> titleArray{"手机号", "姓名", "性别", "证件类型", "证件号码"};
  std::vector<std::string> dataArray;
  std::vector<std::string> OriginalDataArray;

 private:
  void reloadTable();
  void valueChanged(int row, const std::string& text);
  void selectRow(int section, int row);
  void chooseSex(int row);
  void save();
  void updateSaveControl();
  void clearPersons();
  void signOut();

  ui::Table table_;
  bool changed_ = true;  // the save control's availability apart from a save running
  RequestHandle changeRequest;
};

}  // namespace vokari
