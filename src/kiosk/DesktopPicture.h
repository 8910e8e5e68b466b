#pragma once
// The whole picture of the self-print desktop, painted on a canvas in pixels
// from plain values, so that the window, screenshots and tests share it.

#include "foundation/LocText.h"
#include "platform/Canvas.h"
#include "tournament/SignupList.h"

#include <string>
#include <vector>

struct DesktopPictureInput {
    Rect client;
    bool synchronized = false;
    const CanvasPicture* background = nullptr; // drawn once synchronized; may be null
    std::string title;                         // the settings' title
    LangIndex lang = 0;
    std::vector<SignupEntry> entries; // the printable list
    bool reprintAllowed = false;
    int32_t pressedIndex = -1;
    int32_t hoverIndex = -1;
    std::u16string note; // empty: no note box
    int32_t listCountdown = 10;
    std::string eventText;
};

inline constexpr Colour kDesktopBackground = Rgb(72, 96, 139);
inline constexpr Colour kTeamButtonColour = Rgb(160, 80, 24);
inline constexpr Colour kEastWestButtonColour = Rgb(4, 160, 24);

void PaintDesktopPicture(Canvas& dc, const DesktopPictureInput& in);

// The first line of an entry's button: section name, a space, and the number
// ("NS"/"EW" and the absolute value for pairs).
std::string DesktopButtonFirstLine(const SignupEntry& entry);
