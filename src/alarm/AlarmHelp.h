#pragma once
// The about page ("关于Vokari"): the application's own "aboutvok" HTML document, shown as
// readable text lines (the terminal has no web view).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Screen.h"

namespace vokari {

class AlarmHelp final : public ui::Screen {
 public:
  AlarmHelp();

  // A document compiled into the application; none for an unknown name or type.
  static std::optional<std::string> resourceDocument(std::string_view name, std::string_view type);
  // The page's visible text, one line per paragraph, heading or list item; the head is skipped
  // and the common entities decoded.
  static std::vector<std::string> textLines(std::string_view html);

 private:
  std::vector<ui::Label> lines_;
};

}  // namespace vokari
