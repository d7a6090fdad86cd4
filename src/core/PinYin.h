#pragma once
// Sort keys for names in Chinese: the first letter of each character's pinyin. Business-type
// names come from the service at run time, so this works on any text, not a fixed table.

#include <string>
#include <string_view>

namespace vokari {

class PinYin final {
 public:
  // One character per character of the name, all upper case, in order:
  //  - a Chinese character: the first letter of its Mandarin reading; a character with several
  //    readings takes the one ICU's Han-Latin transliteration gives for it alone (行 is "X",
  //    长 "Z"), since names are read character by character;
  //  - a Latin letter: itself; a digit: itself;
  //  - anything else (punctuation, blanks, other scripts): "#", which sorts before digits.
  // The empty name gives the empty key. Malformed UTF-8 counts as "#". Main thread only.
  static std::string pinYin(std::string_view name);
  // The key of one code point, as above.
  static char firstLetter(char32_t character);
};

}  // namespace vokari
