#pragma once
// The one conversion between the core's UTF-16 texts (std::u16string) and
// Qt's QString, used wherever a text crosses into or out of a widget, a font,
// a dialog or a printer. Both hold UTF-16 code units, so the conversion is a
// copy: no text is re-encoded or lost on the way.

#include <QString>

#include <string>

inline QString ToQString(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}
