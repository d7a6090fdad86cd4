#pragma once
// Widths of text on a terminal: Chinese characters take two columns.

#include <string>
#include <string_view>

namespace vokari::terminal {

std::size_t displayWidth(std::string_view utf8);
// The text followed by blanks up to the width (nothing added when it is wider already).
std::string padTo(std::string_view utf8, std::size_t width);

}  // namespace vokari::terminal
