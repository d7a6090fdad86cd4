#pragma once
// Turning reply bytes into UTF-8 text by the charset a reply names.

#include <optional>
#include <string>
#include <string_view>

namespace vokari {

// The "charset" parameter of a Content-Type value, lower-cased and unquoted; none when absent.
std::optional<std::string> charsetOfContentType(std::string_view contentType);

// The bytes decoded from the charset into UTF-8; none when they are not valid in it. A charset
// nobody knows reads as ISO-8859-1, which every byte string is valid in.
std::optional<std::string> decodeText(std::string_view bytes, std::string_view charset);

}  // namespace vokari
