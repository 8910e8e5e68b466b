#pragma once
// Localized texts: every UI text is one UTF-8 string of three variants joined
// by "||" (Chinese, English, and the placeholder "<其它>"). The language index
// chooses a variant when the text is shown.

#include <cstdint>
#include <string>

using LangIndex = int32_t;

inline constexpr LangIndex kLangChinese = 0;
inline constexpr LangIndex kLangEnglish = 1;

std::string PickLang(const std::string& text, LangIndex lang);
std::u16string LangTextW(const std::string& text, LangIndex lang);
// Malformed input never fails: an invalid UTF-8 sequence and an unpaired
// surrogate each become U+FFFD, the Unicode replacement character.
std::u16string Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::u16string& text);
std::u16string IntToWide(int32_t n);

// The system's code page as the kiosk judges it from the locale (LC_ALL,
// LC_CTYPE, LANG, first one set): Simplified Chinese locales give 936,
// everything else 437.
int OemCodePage();
// The language a negative index defaults to: 0 on code page 936, else 1.
LangIndex DefaultLanguageForCodePage(int codePage);
