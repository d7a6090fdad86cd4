#pragma once
// The checks a report passes before it is sent, in the order the form makes them.

#include <optional>
#include <string>

#include "reports/SoapEnvelope.h"

namespace vokari {

// The content input's prompt, which counts as no content.
inline constexpr const char* kReportContentPrompt =
    "举报内容应包含时间、地点、人员、事由等详细经过";

// The message of the first check the report fails; none when it may be sent. Content may be
// empty when files are attached.
std::optional<std::string> reportRefusal(const ReportForm& form, bool withFiles);

}  // namespace vokari
