#pragma once
// Checks the shape of a generated text (a time, an id) without fixing its
// value.

#include <string>

namespace tools {

// True when `text` has the shape of `form`, where '9' stands for any digit,
// '+' for either sign and every other character for itself.
inline bool HasForm(const std::string& text, const std::string& form)
{
    if (text.size() != form.size())
        return false;
    for (size_t i = 0; i < form.size(); ++i) {
        const char c = text[i];
        const bool fits = form[i] == '9'   ? (c >= '0' && c <= '9')
                          : form[i] == '+' ? (c == '+' || c == '-')
                                           : c == form[i];
        if (!fits)
            return false;
    }
    return true;
}

} // namespace tools
