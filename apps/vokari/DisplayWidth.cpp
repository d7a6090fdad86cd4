#include "DisplayWidth.h"

#include <wchar.h>

namespace vokari::terminal {
namespace {

// Decodes one UTF-8 sequence; a malformed byte reads as itself and takes one column.
char32_t next(std::string_view s, std::size_t& i) {
  unsigned char c = static_cast<unsigned char>(s[i++]);
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 3 ? c & 0x07 : extra == 2 ? c & 0x0F : extra == 1 ? c & 0x1F : c;
  for (int k = 0; k < extra && i < s.size(); ++k) cp = (cp << 6) | (s[i++] & 0x3F);
  return cp;
}

// East Asian wide and full-width ranges; enough for the texts this client shows.
bool wide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1FAFF) ||
         (cp >= 0x20000 && cp <= 0x3FFFD);
}

}  // namespace

std::size_t displayWidth(std::string_view s) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < s.size();) {
    char32_t cp = next(s, i);
    if (cp < 0x20 || (cp >= 0x300 && cp <= 0x36F) || cp == 0x200B) continue;
    width += wide(cp) ? 2 : 1;
  }
  return width;
}

std::string padTo(std::string_view s, std::size_t width) {
  std::size_t w = displayWidth(s);
  return std::string(s) + std::string(w < width ? width - w : 0, ' ');
}

}  // namespace vokari::terminal
