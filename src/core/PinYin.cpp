#include "core/PinYin.h"

#include <unicode/uscript.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>
#include <unicode/utrans.h>

#include "platform/LazyLibrary.h"

namespace vokari {
namespace {

constexpr char kOther = '#';

// ICU's C functions carry its version in their names (utrans_openU_72): the renaming macros
// give the name to look up.
#define VOKARI_ICU_NAME(function) VOKARI_ICU_QUOTE(function)
#define VOKARI_ICU_QUOTE(function) #function

// The transliterator, from ICU's i18n library, which is mapped when a name is first spelled
// rather than at start. Building it reads its rule tables: one for the process is enough.
struct Transliteration {
  decltype(&utrans_transUChars) transliterate = nullptr;
  const UTransliterator* hanToAscii = nullptr;  // null when ICU cannot give it
};

const Transliteration& transliteration() {
  static const Transliteration loaded = [] {
    Transliteration made;
    static const LazyLibrary i18n(VOKARI_ICU_I18N_SONAME);
    decltype(&utrans_openU) open = nullptr;
    if (!i18n.find(open, VOKARI_ICU_NAME(utrans_openU)) ||
        !i18n.find(made.transliterate, VOKARI_ICU_NAME(utrans_transUChars)))
      return made;
    UErrorCode status = U_ZERO_ERROR;
    UTransliterator* opened =
        open(u"Han-Latin; Latin-ASCII", -1, UTRANS_FORWARD, nullptr, 0, nullptr, &status);
    if (U_SUCCESS(status)) made.hanToAscii = opened;  // kept for the process, like the library
    return made;
  }();
  return loaded;
}

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char hanLetter(char32_t character) {
  const Transliteration& icu = transliteration();
  if (!icu.hanToAscii) return kOther;
  UChar reading[32];  // a reading is a syllable or two
  int32_t length = 0;
  U16_APPEND_UNSAFE(reading, length, static_cast<UChar32>(character));
  int32_t limit = length;
  UErrorCode status = U_ZERO_ERROR;
  icu.transliterate(icu.hanToAscii, reading, &length, std::size(reading), 0, &limit, &status);
  if (U_FAILURE(status) || length == 0) return kOther;
  char16_t first = reading[0];
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
