#pragma once
// Small operations on UTF-8 byte strings shared by the whole kiosk. They take
// their inputs by value and return new strings; none of them keeps state.
// Every one of them walks its input once, so its time grows linearly with the
// text: server texts can be large, and they are read under the desk lock.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Walks the tokens of a text from left to right, each token up to the next
// `separator` (an empty separator makes the whole text one token). It gives
// the same tokens as repeated PopToken calls but moves an offset instead of
// erasing the front of the text, so reading every token costs time linear in
// the text. The text and the separator must outlive the reader.
class TokenReader {
public:
    TokenReader(std::string_view text, std::string_view separator) : text_(text), separator_(separator) {}

    // True once every token has been taken (at once for an empty text).
    bool AtEnd() const { return offset_ >= text_.size(); }
    // The next token; "" at the end.
    std::string_view Next();
    // What is left after the tokens already taken.
    std::string_view Rest() const { return text_.substr(offset_ < text_.size() ? offset_ : text_.size()); }

private:
    std::string_view text_;
    std::string_view separator_;
    size_t offset_ = 0;
};

// The number of tokens SplitTokens(text, separator, false) gives, without
// making them.
size_t CountTokens(std::string_view text, std::string_view separator);

// Removes and returns the first token of `text` up to `separator`. One call
// costs time linear in the text; to take every token, use TokenReader.
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
