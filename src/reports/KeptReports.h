#pragma once
// The ID and password of every report the signed-in user filed and has not yet seen, kept in a
// file of their own folder (ReportPath/kept.json) from the moment both are known, before the
// report is sent. A report interrupted after that (a kill, a lost reply, a failed attachment) may
// exist at the service, and this pair is the only way its filer can ever query it; it is
// forgotten only once its "请记录" alert has been answered. Main thread only.

#include <functional>
#include <string>
#include <vector>

#include "platform/Status.h"

namespace vokari {

struct KeptReport {
  std::string code;
  std::string password;
};

class KeptReports final {
 public:
  // The pairs kept in the user's report folder, oldest first; empty when none (or the file
  // cannot be read).
  static std::vector<KeptReport> read(const std::string& folder);
  // Adds the pair (once per code), written durably before this answers success.
  static Status keep(const std::string& folder, const KeptReport& report);
  static Status forget(const std::string& folder, const std::string& code);
  // Shows the pair in the "请记录" alert; pressing "好" forgets it, then `then` runs.
  static void show(const std::string& folder, const KeptReport& report,
                   std::function<void()> then = nullptr);
  // Shows every kept pair of the folder, one alert after another.
  static void showAll(const std::string& folder);
};

}  // namespace vokari
