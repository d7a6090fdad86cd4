#pragma once
// The "显示密码" control of the password forms: each press flips between a readable and a
// masked password. isShow starts true and means "the next press shows the password".

#include "ui/Widgets.h"

namespace vokari {

class ShowPasswordToggle final {
 public:
  // Both widgets belong to the screen and must outlive this object.
  ShowPasswordToggle(ui::CheckBox& control, ui::TextField& password);
  ShowPasswordToggle(const ShowPasswordToggle&) = delete;
  ShowPasswordToggle& operator=(const ShowPasswordToggle&) = delete;

  bool isShow() const { return isShow_; }

 private:
  void flip();
  ui::CheckBox& control_;
  ui::TextField& password_;
  bool isShow_ = true;
};

}  // namespace vokari
