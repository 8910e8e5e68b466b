#pragma once
// What a kiosk window asks of the root window (the desktop): the display
// language, the theme colours, the credit line of the page footers, the event
// text of the last-page stamp and whether windows take the keyboard focus
// when the pointer moves over them. The root window hands its services to
// WindowBase::SetRootServices; every window below it finds them through
// its owner links. A window tree whose root has none uses the defaults below,
// so a page view also works on its own (in tests, in the headless renderer).

#include "foundation/LocText.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <string>

class PageView;
enum class PrintMode : int32_t;

// What prints a page view's pages: the print job of the window tree's root
// (see print/PrintJob.h).
class PagePrinter {
public:
    virtual ~PagePrinter() = default;
    virtual void PrintView(PageView& view, int32_t copies, PrintMode printMode) = 0;
};

class RootServices {
public:
    virtual ~RootServices() = default;

    virtual LangIndex GetLanguage() = 0;
    // Theme colour by index: 1 text, 5 title, 8 red, 9 blue, 11 paper.
    virtual Colour GetThemeColour(int32_t index) = 0;
    // The credit line printed at the foot of every page.
    virtual std::u16string CreditLine() = 0;
    // The event's name for the stamp under the last page's table.
    virtual std::u16string EventTextW() = 0;
    virtual bool WantsHoverFocus() = 0;
    // What prints the tree's page views; null: they print nothing.
    virtual PagePrinter* Printer() { return nullptr; }
};

// The services of a window tree without a desktop: the language the system's
// code page suggests, the colours of paper (black on white, with the print
// palette's title, red and blue), no credit line, no event text, and no
// focus taking.
class DefaultRootServices : public RootServices {
public:
    LangIndex GetLanguage() override { return DefaultLanguageForCodePage(OemCodePage()); }
    Colour GetThemeColour(int32_t index) override
    {
        switch (index) {
        case 5:
            return Rgb(0, 64, 64);
        case 8:
            return Rgb(208, 0, 0);
        case 9:
            return Rgb(0, 0, 192);
        case 11:
            return kWhite;
        default:
            return kBlack;
        }
    }
    std::u16string CreditLine() override { return {}; }
    std::u16string EventTextW() override { return {}; }
    bool WantsHoverFocus() override { return false; }
};
