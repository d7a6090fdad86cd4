#include "AttachCommand.h"

#include <filesystem>

#include "media/Image.h"

namespace vokari::terminal {

std::string attachFile(WaitingMediaPicker* picker, const std::string& argument) {
  if (!picker || !picker->isOpen()) return "error: no screen is asking for a picture or video";
  if (argument == "cancel") {
    picker->cancel();
    return "attach: cancelled";
  }
  std::error_code error;
  std::string path = std::filesystem::absolute(argument, error).string();
  if (error || !std::filesystem::is_regular_file(path, error)) return "error: no file " + argument;
  MediaKind kind = mediaKindOfFile(path);
  if (kind == MediaKind::None) return "error: " + argument + " is neither a picture nor a movie";
  PickedKind picked = kind == MediaKind::Picture ? PickedKind::Picture : PickedKind::Movie;
  const char* what = picked == PickedKind::Picture ? "picture" : "movie";
  if (!picker->choose({picked, path})) {
    return std::string("error: this picker does not take a ") + what;
  }
  return std::string("attach: ") + what + " " + path;
}

}  // namespace vokari::terminal
