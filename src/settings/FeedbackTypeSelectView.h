#pragma once
// The list of functional modules an opinion can be about, offered as a sheet over the feedback
// screen. Choosing a module hands its name to the block; "取消" (the dimmed layer) hands nothing.

#include <functional>
#include <string>
#include <vector>

#include "ui/Alerts.h"

namespace vokari {

class FeedbackTypeSelectView final {
 public:
  static constexpr const char* kTitle = "选择功能模块";
  static constexpr const char* kClose = "取消";
  // The seven modules, in the order offered.
  static const std::vector<std::string>& modules();
  // Shows the panel; feedbackBlock is called only when a module is chosen.
  static ui::AlertId show(std::function<void(const std::string&)> feedbackBlock);
};

}  // namespace vokari
