#pragma once
// Hands URLs (tel:, telprompt:, http:) to the platform: the dialler or the browser.

#include <functional>
#include <string>
#include <vector>

namespace vokari {

class UrlOpener {
 public:
  virtual ~UrlOpener() = default;
  virtual bool openURL(const std::string& url) = 0;
};

// Keeps every URL it was given and tells an optional listener (the terminal prints them).
class RecordingUrlOpener final : public UrlOpener {
 public:
  bool openURL(const std::string& url) override {
    opened.push_back(url);
    if (onOpen) onOpen(url);
    return true;
  }
  std::vector<std::string> opened;
  std::function<void(const std::string&)> onOpen;
};

}  // namespace vokari
