// Reads a screenshot of the kiosk the way a person looks at it: which entry
// buttons are on the screen and where to touch them.
//
// The desktop paints its buttons itself (they are not widgets an outside tool
// could find), so their places come from the kiosk's own layout: the real
// main frame and desktop are built on the offscreen platform at the size of
// the screenshot, which gives the desktop's client area inside the frame, and
// the desktop layout gives the cells. The frame covers the screen from its
// top left corner, as it does on a display without a window manager. A long
// list is shown a page at a time: when the page buttons are on the screen,
// the cells are those of the paged grid.
//
//   desktop-cells SCREENSHOT.png
//
// prints
//   count N                        the number of entry buttons on the screen
//   note 0|1                       whether the note box is shown
//   paged 0|1                      whether the list is shown in pages (then
//                                  the buttons are those of the page shown)
//   cell I KIND X Y SIGNATURE CLEAR
//                                  one line per button: team (orange), ew
//                                  (green) or hidden (under the note box),
//                                  the point to touch, a hash of the
//                                  button's pixels (a changed label changes
//                                  it), and 1 when no part of it lies where
//                                  the note box is drawn (shown or not), so
//                                  that it looks the same with the note up
// and exits 0; 1 when the picture cannot be read.

#include "kiosk/DesktopLayout.h"
#include "kiosk/DesktopPicture.h"
#include "kiosk/MainFrame.h"
#include "render/DrawPrimitives.h"
#include "render/WindowBase.h"
#include "settings/KioskSettings.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

enum class CellKind { None, Team, EastWest, Hidden };

const char* KindName(CellKind kind)
{
    switch (kind) {
    case CellKind::Team:
        return "team";
    case CellKind::EastWest:
        return "ew";
    case CellKind::Hidden:
        return "hidden";
    default:
        return "none";
    }
}

// A button face is RGB(160, 80, 24) for teams and North-South pairs and
// RGB(4, 160, 24) for East-West pairs, a little lighter or darker while hot
// or pressed. The background picture is held in blues and greys, so the hue
// alone tells a face from the background.
CellKind PixelKind(QRgb p)
{
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (r > g + 40 && r > b + 80)
        return CellKind::Team;
    if (g > r + 80 && g > b + 80)
        return CellKind::EastWest;
    return CellKind::None;
}

// What fills most of the visible part of the cell: labels and rounded corners
// take far less than half of a button, while a cell that is not on a button is
// mostly background or straddles the gaps between buttons. Pixels under the
// note box (`hidden`) say nothing; a cell almost wholly under it counts as a
// button, since a note only ever covers a few rows in the middle.
CellKind ReadCell(const QImage& image, const Rect& cell, const Rect& hidden)
{
    int team = 0, eastWest = 0, seen = 0, area = 0;
    for (int y = cell.top; y < cell.bottom; ++y) {
        if (y < 0 || y >= image.height())
            continue;
        for (int x = cell.left; x < cell.right; ++x) {
            if (x < 0 || x >= image.width())
                continue;
            ++area;
            if (hidden.Contains(x, y))
                continue;
            ++seen;
            switch (PixelKind(image.pixel(x, y))) {
            case CellKind::Team:
                ++team;
                break;
            case CellKind::EastWest:
                ++eastWest;
                break;
            default:
                break;
            }
        }
    }
    if (area == 0)
        return CellKind::None;
    if (seen * 100 < area * 15)
        return CellKind::Hidden;
    if (team * 100 >= seen * 60)
        return CellKind::Team;
    if (eastWest * 100 >= seen * 60)
        return CellKind::EastWest;
    return CellKind::None;
}

Rect Shifted(const Rect& r, int dx, int dy)
{
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: desktop-cells SCREENSHOT.png\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    QImage image;
    if (!image.load(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "desktop-cells: cannot read %s\n", argv[1]);
        return 1;
    }
    image = image.convertToFormat(QImage::Format_RGB32);

    // The desktop reads its settings file when it is made; give it one that
    // does not exist, so nothing beside this program is read or created.
    const TempDir folder("bp-cells");
    if (!folder.Valid())
        return 1;
    KioskSettings::SetFilePathForTesting(folder.File("Self_Print.txt"));

    Rect client;
    Rect noteBox;
    Rect noteArea; // where the note box is drawn when it is shown
    int offsetX = 0, offsetY = 0;
    {
        MainFrame frame;
        if (!frame.Created())
            return 1;
        frame.setGeometry(0, 0, image.width(), image.height());
        frame.show();
        QApplication::processEvents();
        auto* desktop = dynamic_cast<WindowBase*>(frame.Desktop()->Widget());
        if (desktop == nullptr)
            return 1;
        const QPoint origin = desktop->viewport()->mapTo(&frame, QPoint(0, 0));
        offsetX = origin.x();
        offsetY = origin.y();
        client = desktop->ClientRect();
    }
    // The note box in the middle of the screen, as the desktop draws it while
    // a note is shown (for about ten seconds after each scorecard arrives).
    {
        const int32_t w = client.Width();
        const int32_t F = ComputeDesktopBands(client).footer.Height();
        const Rect box = Shifted(CentreRect({0, 0, w - 2 * (w / 10), F + F / 3}, client), offsetX, offsetY);
        noteArea = box;
        const QRgb fill = qRgb(239, 228, 176);
        const auto at = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) == fill;
        };
        // Looked at near its four corners: a long note is shrunk until it
        // fits the box's width, so its first and last letters may touch the
        // box's sides on the middle line.
        const int top = box.top + 3, bottom = box.bottom - 4;
        if (at(box.left + 8, top) && at(box.right - 9, top) && at(box.left + 8, bottom) && at(box.right - 9, bottom))
            noteBox = box;
    }

    // The count is the largest one whose every cell holds a button and whose
    // cells are apart: one more entry would put a cell over the background
    // (the same grid with an empty next cell, or a finer grid that runs across
    // the gaps). A full grid also fits a finer one whose cells all land on
    // faces; that one has a face, not the background, between two cells of a
    // column.
    const auto apart = [&](const Rect& upper, const Rect& lower) {
        const int x = (upper.left + upper.right) / 2;
        const int y = (upper.bottom + lower.top) / 2;
        if (lower.top <= upper.bottom || noteBox.Contains(x, y) || y < 0 || y >= image.height())
            return lower.top > upper.bottom;
        return PixelKind(image.pixel(x, y)) == CellKind::None;
    };
    // The page buttons of a long list: at least one of the two leads
    // somewhere and shows the page button face (plain, hot or pressed).
    const DesktopPageLayout pagedGrid = ComputeDesktopPageLayout(client, 1 << 20, 0);
    const auto pageButtonAt = [&](const Rect& button) {
        const Rect r = Shifted(button, offsetX, offsetY);
        const int x = r.left + 10, y = r.bottom - 10;
        if (!pagedGrid.paged || x < 0 || y < 0 || x >= image.width() || y >= image.height())
            return false;
        const Colour hot = ContrastColour(kPageButtonColour, 5);
        const QRgb p = image.pixel(x, y);
        for (const Colour c : {kPageButtonColour, hot, ContrastColour(kPageButtonColour, 8), ContrastColour(hot, 8)})
            if (p == qRgb(c.r, c.g, c.b))
                return true;
        return false;
    };
    const bool paged = pageButtonAt(pagedGrid.previous) || pageButtonAt(pagedGrid.next);

    // The cells of a candidate: n entries on one screen, or the first n
    // slots of the paged grid.
    const auto cellOf = [&](int n, int i) {
        if (!paged)
            return Shifted(DesktopCellRect(client, n, i), offsetX, offsetY);
        DesktopPageLayout layout = pagedGrid;
        layout.count = n;
        return Shifted(DesktopSlotRect(layout, i), offsetX, offsetY);
    };
    const int most = paged ? pagedGrid.rows * pagedGrid.columns : 200;
    int count = 0;
    for (int n = most; n >= 1 && count == 0; --n) {
        bool all = true;
        for (int i = 0; i < n && all; ++i) {
            const Rect cell = cellOf(n, i);
            all = ReadCell(image, cell, noteBox) != CellKind::None;
            if (all && i + 1 < n) {
                const Rect next = cellOf(n, i + 1);
                if (next.left == cell.left)
                    all = apart(cell, next);
            }
        }
        if (all)
            count = n;
    }

    std::printf("count %d\n", count);
    std::printf("note %d\n", noteBox.IsEmpty() ? 0 : 1);
    std::printf("paged %d\n", paged ? 1 : 0);
    for (int i = 0; i < count; ++i) {
        const Rect r = cellOf(count, i);
        const QImage pixels = image.copy(r.left, r.top, r.Width(), r.Height());
        const QByteArray hash = QCryptographicHash::hash(
            QByteArrayView(pixels.constBits(), pixels.sizeInBytes()), QCryptographicHash::Sha1);
        const bool clear = r.right <= noteArea.left || noteArea.right <= r.left || r.bottom <= noteArea.top ||
                           noteArea.bottom <= r.top;
        std::printf("cell %d %s %d %d %s %d\n", i, KindName(ReadCell(image, r, noteBox)), (r.left + r.right) / 2,
                    (r.top + r.bottom) / 2, hash.toHex().left(16).constData(), clear ? 1 : 0);
    }
    return 0;
}
