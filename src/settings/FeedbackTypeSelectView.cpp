#include "settings/FeedbackTypeSelectView.h"

#include "ui/Ui.h"

namespace vokari {

const std::vector<std::string>& FeedbackTypeSelectView::modules() {
  static const std::vector<std::string> names{"E键报警",  "有奖举报", "户政业务", "警讯播报",
                                              "一键服务", "设置",     "其他"};
  return names;
}

ui::AlertId FeedbackTypeSelectView::show(std::function<void(const std::string&)> feedbackBlock) {
  ui::AlertModel panel{.title = kTitle, .message = "", .buttons = modules(), .sheet = true};
  panel.buttons.push_back(kClose);
  panel.cancelIndex = static_cast<int>(panel.buttons.size()) - 1;
  return ui::Ui::current().alerts->show(
      std::move(panel), [block = std::move(feedbackBlock)](int button) {
        const auto& names = modules();
        if (button < 0 || button >= static_cast<int>(names.size())) return;
        if (block) block(names[static_cast<std::size_t>(button)]);
      });
}

}  // namespace vokari
