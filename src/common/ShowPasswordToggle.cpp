#include "common/ShowPasswordToggle.h"

namespace vokari {

ShowPasswordToggle::ShowPasswordToggle(ui::CheckBox& control, ui::TextField& password)
    : control_(control), password_(password) {
  control_.title = "显示密码";
  control_.checked = false;
  password_.secure = true;
  control_.onPress = [this] { flip(); };
}

void ShowPasswordToggle::flip() {
  password_.secure = !isShow_;
  control_.checked = isShow_;
  isShow_ = !isShow_;
}

}  // namespace vokari
