#pragma once
// Small operations on UTF-8 byte strings shared by the whole kiosk. They take
// their inputs by value and return new strings; none of them keeps state.

#include <cstdint>
#include <string>
#include <vector>

// Removes and returns the first token of `text` up to `separator`.
std::string PopToken(std::string& text, const std::string& separator);
// Token number `n` (from 0), or "" when there are fewer tokens or n < 0.
std::string NthToken(std::string text, const std::string& separator, int32_t n);
std::vector<std::string> SplitTokens(std::string text, const std::string& separator, bool skipEmpty);
std::string ReplaceAll(std::string text, const std::string& pattern, const std::string& replacement);
std::string NormaliseLineEnds(std::string text, const std::string& lineEnd);
// Full-width digits and punctuation to their ASCII forms (letters stay).
std::string NormaliseFullWidth(std::string text);
std::string ToLower(std::string text);
bool EqualsIgnoreCase(const std::string& a, const std::string& b);
std::string PadLeft(std::string text, size_t width, char fill);
std::string IntToString(int32_t n);
// Fixed-width key: "+" or `negativeMarker`, |n| as 10 digits, then "#".
std::string SignedSortKey(int32_t n, const std::string& negativeMarker);
std::string TextSortKey(const std::string& text, size_t width);
