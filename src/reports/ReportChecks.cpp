#include "reports/ReportChecks.h"

#include "core/Extern.h"
#include "core/IsIdCard.h"

namespace vokari {

std::optional<std::string> reportRefusal(const ReportForm& form, bool withFiles) {
  if (Extern::isEmptyStringTrim(form.name)) return "请输入正确的姓名";
  if (form.idcard.empty() || !IsIdCard::personIdValidation(form.idcard))
    return "请输入正确的身份证号";
  if (Extern::textLength(form.phone) != 11 || !form.phone.starts_with("1"))
    return "请输入以1开头的11位手机号码！";
  bool noContent = Extern::isEmptyStringTrim(form.content) || form.content == kReportContentPrompt;
  if (noContent && !withFiles) return "请输入举报内容或提交文件！";
  return std::nullopt;
}

}  // namespace vokari
