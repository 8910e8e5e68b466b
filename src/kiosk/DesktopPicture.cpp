#include "kiosk/DesktopPicture.h"

#include "foundation/Product.h"
#include "kiosk/DesktopLayout.h"
#include "render/DrawPrimitives.h"

#include <cstdlib>

namespace {

const std::u16string kFace = u"微软雅黑";
constexpr unsigned kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

std::u16string Spaced(const std::string& text)
{
    return Utf8ToWide("  " + text + "  ");
}

void DrawFitted(Canvas& dc, unsigned format, const std::u16string& text, int32_t height, const Rect& r)
{
    DrawTextFitInFont(dc, format, text, FontSpec(height, kFace), FontSource::Temporary, r);
}

void DrawEntry(Canvas& dc, const SignupEntry& entry, const Rect& cell, bool pressed, bool hot)
{
    const Rect r{cell.left + 2, cell.top + 2, cell.right - 2, cell.bottom - 2};
    const Colour face = entry.GetTeamNumber() < 0 ? kEastWestButtonColour : kTeamButtonColour;
    DrawButton(dc, r, u"", true, pressed, hot, face, face, 2);
    const int32_t cellHeight = cell.Height();

    // First line: drawn as it is, centred when it fits, else from the left.
    {
        FontScope font(dc, FontSpec((cellHeight * 52) / 100, kFace), FontSource::Temporary);
        TextColourScope colour(dc, kWhite);
        const std::u16string line = Utf8ToWide(DesktopButtonFirstLine(entry));
        const Rect upper{r.left, r.top, r.right, r.top + (r.Height() * 70) / 100};
        const unsigned horizontal = dc.TextExtent(line).cx <= upper.Width() ? DT_CENTER : DT_LEFT;
        dc.DrawTextIn(line, upper, horizontal | DT_VCENTER | DT_SINGLELINE);
    }
    // Second line: the name, shrunk to fit.
    TextColourScope colour(dc, Rgb(220, 220, 220));
    DrawFitted(dc, DT_CENTER | DT_BOTTOM | DT_SINGLELINE, Utf8ToWide(entry.GetTeamName()), (cellHeight * 35) / 100, r);
}

// The page bar of a long list: the two page buttons (greyed where there is
// no page to go to) and the page indicator between them.
void DrawPageBar(Canvas& dc, const DesktopPageLayout& layout, const DesktopPictureInput& in)
{
    const int32_t fontHeight = (layout.previous.Height() * 55) / 100;
    {
        FontScope font(dc, FontSpec(fontHeight, kFace), FontSource::Temporary);
        DrawButton(dc, layout.previous, LangTextW("上一页||Previous page||<其它>", in.lang), layout.page > 0,
                   in.pressedIndex == kPreviousPageIndex, in.hoverIndex == kPreviousPageIndex, kPageButtonColour,
                   Rgb(0, 0, 64), 2);
        DrawButton(dc, layout.next, LangTextW("下一页||Next page||<其它>", in.lang), layout.page + 1 < layout.pageCount,
                   in.pressedIndex == kNextPageIndex, in.hoverIndex == kNextPageIndex, kPageButtonColour, Rgb(0, 0, 64),
                   2);
    }
    TextColourScope colour(dc, Rgb(240, 240, 240));
    DrawFitted(dc, kCentred, Spaced(DesktopPageIndicatorText(layout.page, layout.pageCount, in.lang)), fontHeight,
               layout.indicator);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

std::string DesktopPageIndicatorText(int32_t page, int32_t pageCount, LangIndex lang)
{
    const std::string text = PickLang("第 %1 页,共 %2 页||Page %1 of %2||<其它>", lang);
    return ReplaceAll(ReplaceAll(text, "%1", std::to_string(page + 1)), "%2", std::to_string(pageCount));
}

std::string DesktopButtonFirstLine(const SignupEntry& entry)
{
    const int32_t n = entry.GetTeamNumber();
    std::string number;
    if (entry.GetIsPair() && n != 0)
        number = (n > 0 ? "NS" : "EW") + std::to_string(std::llabs(static_cast<long long>(n)));
    else
        number = std::to_string(n);
    return entry.GetSectionName() + " " + number;
}

void PaintDesktopPicture(Canvas& dc, const DesktopPictureInput& in)
{
    const Rect& client = in.client;
    const DesktopBands bands = ComputeDesktopBands(client);
    const int32_t F = bands.footer.Height();
    const int32_t titleHeight = (bands.title.Height() * 90) / 100;

    dc.FillRect(client, kDesktopBackground);
    if (in.synchronized && in.background != nullptr && !in.background->IsNull()) {
        const StretchMode old = dc.SetStretchMode(StretchMode::Halftone);
        dc.DrawPicture(*in.background, client);
        dc.SetStretchMode(old);
    }
    const Colour oldText = dc.SetTextColour(Rgb(240, 240, 240));
    const BkMode oldMode = dc.SetBkMode(BkMode::Transparent);

    if (in.synchronized) {
        const std::string title = in.title.empty() ? PickLang("标题||Title||<其它>", in.lang) : in.title;
        DrawFitted(dc, kCentred, Spaced(title), titleHeight, bands.title);
        if (in.entries.empty())
            DrawFitted(dc, kCentred,
                       Spaced(PickLang("暂无可打印的队(请等待)||No printable team(cn:无可打印的队).||<其它>", in.lang)),
                       titleHeight, client);
    } else if (!in.status.empty()) {
        // In the title's band, where the note box (drawn mid-screen) never
        // covers it.
        DrawFitted(dc, kCentred, u"  " + in.status + u"  ", (titleHeight * 60) / 100, bands.title);
    }

    std::string footer = ProductName(in.lang, false) + PickLang(" 自助打印|| Print by self ||<其它>", in.lang);
    if (!in.eventText.empty())
        footer += " - " + in.eventText;
    DrawFitted(dc, kCentred, Spaced(footer), (F * 76) / 100, bands.footer);

    if (in.synchronized && in.reprintAllowed) {
        FontScope font(dc, FontSpec((F * 60) / 100, kFace), FontSource::Temporary);
        DrawButton(dc, bands.reprint, Utf8ToWide(PickLang(" 补打 || Reprint ||<其它>", in.lang)), true,
                   in.pressedIndex == kReprintIndex, in.hoverIndex == kReprintIndex, Rgb(192, 192, 192), kBlack, 2);
    }

    // Only the page shown is drawn: the work follows the screen, not the list.
    const bool sliced = in.listSize >= 0;
    const int32_t n = sliced ? in.listSize : static_cast<int32_t>(in.entries.size());
    const DesktopPageLayout layout = ComputeDesktopPageLayout(client, n, in.page);
    const size_t offset = sliced ? 0 : static_cast<size_t>(layout.first);
    for (int32_t slot = 0; slot < layout.count && offset + static_cast<size_t>(slot) < in.entries.size(); ++slot) {
        const int32_t i = layout.first + slot;
        DrawEntry(dc, in.entries[offset + static_cast<size_t>(slot)], DesktopSlotRect(layout, slot),
                  in.pressedIndex == i, in.hoverIndex == i);
    }
    if (layout.paged)
        DrawPageBar(dc, layout, in);

    if (!in.note.empty()) {
        const int32_t w = client.Width();
        const Rect box = CentreRect({0, 0, w - 2 * (w / 10), F + F / 3}, client);
        RoundRectFill(dc, Rgb(239, 228, 176), Rgb(239, 228, 176), 5, (box.Height() * 20) / 100, box);
        TextColourScope colour(dc, Rgb(0, 0, 64));
        DrawFitted(dc, kCentred, in.note, F / 2, box);
    }

    if (in.synchronized) {
        FontScope font(dc, FontSpec(18, kFace), FontSource::Temporary);
        TextColourScope colour(dc, Rgb(118, 141, 180));
        dc.DrawTextIn(Utf8ToWide(std::to_string(in.listCountdown)), bands.footer, DT_VCENTER | DT_SINGLELINE);
    }
    dc.SetBkMode(oldMode);
    dc.SetTextColour(oldText);
}
