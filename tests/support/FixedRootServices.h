#pragma once
// Root-window services with fixed answers, for window and page tests that
// run without a desktop. Each answer is a public member a test sets to what
// it wants to see on its pages; the starting values are those of a tree
// without a desktop (paper colours, no credit line, no event text, no focus
// taking) except for the language, which is English so that the expected
// texts do not depend on the machine's code page.

#include "render/PageView.h"
#include "render/RootServices.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class FixedRootServices : public DefaultRootServices {
public:
    LangIndex lang = kLangEnglish;
    // Empty: the paper colours of DefaultRootServices.
    std::function<Colour(int32_t index)> themeColour;
    std::u16string creditLine;
    std::u16string eventText;
    bool hoverFocus = false;
    // What the tree's page views print through (not owned); null: nothing.
    PagePrinter* printer = nullptr;

    LangIndex GetLanguage() override { return lang; }
    Colour GetThemeColour(int32_t index) override
    {
        return themeColour ? themeColour(index) : DefaultRootServices::GetThemeColour(index);
    }
    std::u16string CreditLine() override { return creditLine; }
    std::u16string EventTextW() override { return eventText; }
    bool WantsHoverFocus() override { return hoverFocus; }
    PagePrinter* Printer() override { return printer; }
};

// Keeps every print a view asks for instead of printing.
class RecordingPrinter : public PagePrinter {
public:
    std::vector<std::pair<int32_t, PrintMode>> calls;
    void PrintView(PageView&, int32_t copies, PrintMode mode) override { calls.emplace_back(copies, mode); }
};
