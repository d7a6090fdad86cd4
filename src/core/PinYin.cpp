#include "core/PinYin.h"

#include <unicode/translit.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <memory>

namespace vokari {
namespace {

constexpr char kOther = '#';

// Building the transliterator reads its rule tables; one for the process is enough.
icu::Transliterator* hanToAscii() {
  static std::unique_ptr<icu::Transliterator> instance = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> made(
        icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
    return U_SUCCESS(status) ? std::move(made) : nullptr;
  }();
  return instance.get();
}

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char hanLetter(char32_t character) {
  icu::Transliterator* translit = hanToAscii();
  if (!translit) return kOther;
  icu::UnicodeString reading(static_cast<UChar32>(character));
  translit->transliterate(reading);
  if (reading.isEmpty()) return kOther;
  char16_t first = reading.charAt(0);
  if (first >= u'a' && first <= u'z') return upper(static_cast<char>(first));
  if (first >= u'A' && first <= u'Z') return static_cast<char>(first);
  return kOther;  // a character ICU has no reading for comes back unchanged
}

}  // namespace

char PinYin::firstLetter(char32_t character) {
  if (character < 0x80) {
    char c = static_cast<char>(character);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return upper(c);
    if (c >= '0' && c <= '9') return c;
    return kOther;
  }
  UErrorCode status = U_ZERO_ERROR;
  if (uscript_getScript(static_cast<UChar32>(character), &status) == USCRIPT_HAN &&
      U_SUCCESS(status)) {
    return hanLetter(character);
  }
  return kOther;
}

std::string PinYin::pinYin(std::string_view name) {
  std::string key;
  const auto* bytes = reinterpret_cast<const uint8_t*>(name.data());
  const auto length = static_cast<int32_t>(name.size());
  for (int32_t i = 0; i < length;) {
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    key += c < 0 ? kOther : firstLetter(static_cast<char32_t>(c));
  }
  return key;
}

}  // namespace vokari
