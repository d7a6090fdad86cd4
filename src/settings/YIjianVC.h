#pragma once
// The feedback screen ("意见反馈"): a module, an opinion and a satisfaction mark, sent to the
// general service.

#include <memory>
#include <string>

#include "settings/UploadFeedback.h"
#include "ui/Screen.h"

namespace vokari {

class YIjianVC final : public ui::Screen, public FeedbackDelegate {
 public:
  static constexpr const char* kNoModule = "请选择功能模块";

  YIjianVC();

  void onSelect();
  void onSatisfactionBox();
  void onUnSatisfactionBox();
  void uploadMsg();
  void feedbackResponse(bool success) override;

  std::string strType = "其他";
  bool bagree = true;

  ui::Table moduleRow;  // "模块位置" with lbMoudle as its detail
  ui::TextField addrText;
  ui::Label rating;
  ui::CheckBox satisfied;
  ui::CheckBox unsatisfied;
  ui::Button submit;

 private:
  void setModuleLabel(const std::string& text);

  std::unique_ptr<UploadFeedback> upload_;  // made on the first send, reused after
};

}  // namespace vokari
