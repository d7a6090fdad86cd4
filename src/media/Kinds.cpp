#include "media/Kinds.h"

#include <cctype>

namespace vokari {

const std::vector<std::string_view>& pictureExtensions() {
  static const std::vector<std::string_view> extensions = {"jpg",  "jpeg", "png",  "gif",
                                                           "webp", "heic", "heif", "avif"};
  return extensions;
}

const std::vector<std::string_view>& movieExtensions() {
  static const std::vector<std::string_view> extensions = {"mov",  "mp4", "m4v", "3gp",
                                                           "webm", "mkv", "avi"};
  return extensions;
}

std::string namePatterns(const std::vector<std::string_view>& extensions) {
  std::string patterns;
  for (std::string_view extension : extensions) {
    std::string upper(extension);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    patterns += (patterns.empty() ? "*." : " *.") + std::string(extension) + " *." + upper;
  }
  return patterns;
}

}  // namespace vokari
