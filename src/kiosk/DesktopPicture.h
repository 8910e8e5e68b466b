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
    // The printable list; or, when listSize is set, only the entries on the
    // page shown (from its first entry on), so that a long list is not
    // copied for every repaint.
    std::vector<SignupEntry> entries;
    int32_t listSize = -1; // the printable list's length; -1: entries.size()
    int32_t page = 0;      // the page asked for (clamped to the list's pages)
    bool reprintAllowed = false;
    int32_t pressedIndex = -1;
    int32_t hoverIndex = -1;
    std::u16string note; // empty: no note box
    int32_t listCountdown = 10;
    std::string eventText;
    // Before the kiosk is in step with the server: what it waits for (the
    // director, or the server during an unattended start). Empty: nothing.
    std::u16string status;
};

inline constexpr Colour kDesktopBackground = Rgb(72, 96, 139);
inline constexpr Colour kTeamButtonColour = Rgb(160, 80, 24);
inline constexpr Colour kEastWestButtonColour = Rgb(4, 160, 24);
inline constexpr Colour kPageButtonColour = Rgb(200, 212, 230);

void PaintDesktopPicture(Canvas& dc, const DesktopPictureInput& in);

// "Page k of n" in the desktop's language; k counts from 1.
std::string DesktopPageIndicatorText(int32_t page, int32_t pageCount, LangIndex lang);

// The first line of an entry's button: section name, a space, and the number
// ("NS"/"EW" and the absolute value for pairs).
std::string DesktopButtonFirstLine(const SignupEntry& entry);
