#pragma once
// The report form's attachments: up to four pictures or videos, each picked from the camera or
// the album, stored and thumbnailed on the background worker, and counted once that is done, in
// the order picked. The form lists the thumbnails and "+" and sends what files() holds.

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Background.h"
#include "platform/Liveness.h"
#include "platform/MediaPicker.h"
#include "reports/Attachments.h"
#include "ui/Widgets.h"

namespace vokari {

class ReportAttachments final {
 public:
  static constexpr std::size_t kMaxFiles = 4;

  ReportAttachments();
  ReportAttachments(const ReportAttachments&) = delete;
  ReportAttachments& operator=(const ReportAttachments&) = delete;

  // "+": the sheet of sources, or an alert once the limit is reached.
  void attach();
  // Whether a pick is still being stored; a report sent now would leave it out.
  bool converting() const { return !converting_.empty(); }
  const std::vector<std::string>& files() const { return files_; }
  // Empties the list (after a report was filed).
  void clear();
  // Ends the conversions under way; what they wrote is removed.
  void cancel() { converting_.clear(); }

  // A conversion started or ended: what the form may offer changed.
  std::function<void()> onChange;

  std::array<ui::Picture, kMaxFiles> thumbnails;
  ui::Button addButton;

 private:
  void choose(int button);
  void pick(const PickerRequest& request);
  void picked(const std::optional<PickedMedia>& media);
  void converted(const Converted& done);
  bool full() const { return files_.size() + converting_.size() >= kMaxFiles; }
  void changed() {
    if (onChange) onChange();
  }

  // Picks being stored and thumbnailed on the worker, oldest first; they arrive in that order.
  std::deque<BackgroundTask> converting_;
  std::vector<std::string> files_;
  Liveness alive_;
};

}  // namespace vokari
