// Reads the on-screen keyboard off a screenshot the way a person sees it: a
// panel across the foot of the screen with its keys standing out from it.
//
// The panel is the colour of the screenshot's bottom left corner; the
// keyboard's top is where that colour stops going up the left edge. Inside
// the panel every region that differs from the panel's colour is a key (its
// label lies inside it). Keys are grouped into rows by their tops and
// ordered left to right.
//
//   keyboard-keys SCREENSHOT.png
//
// prints
//   top Y                     the keyboard's top (the screen's height: none)
//   key ROW COL X Y W H       one line per key, rows from the top
// and exits 0; 1 when the picture cannot be read.

#include <QImage>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool Near(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) <= 12;
}

struct Box {
    int left, top, right, bottom; // inclusive
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: keyboard-keys SCREENSHOT.png\n");
        return 2;
    }
    QImage image;
    if (!image.load(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "keyboard-keys: cannot read %s\n", argv[1]);
        return 1;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    const int w = image.width();
    const int h = image.height();
    const QRgb panel = image.pixel(1, h - 1);
    int top = h - 1;
    while (top > 0 && Near(image.pixel(1, top - 1), panel) && Near(image.pixel(w - 2, top - 1), panel))
        --top;
    // A strip of a few rows is no keyboard.
    if (h - top < h / 8) {
        std::printf("top %d\n", h);
        return 0;
    }
    std::printf("top %d\n", top);

    // Regions of the panel that are not the panel's colour, 4-connected.
    std::vector<int> seen(static_cast<size_t>(w) * h, 0);
    std::vector<Box> keys;
    std::vector<std::pair<int, int>> stack;
    for (int y = top; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (seen[static_cast<size_t>(y) * w + x] || Near(image.pixel(x, y), panel))
                continue;
            Box box{x, y, x, y};
            long area = 0;
            stack.push_back({x, y});
            seen[static_cast<size_t>(y) * w + x] = 1;
            while (!stack.empty()) {
                const auto [px, py] = stack.back();
                stack.pop_back();
                ++area;
                box.left = std::min(box.left, px);
                box.right = std::max(box.right, px);
                box.top = std::min(box.top, py);
                box.bottom = std::max(box.bottom, py);
                const int nx[] = {px - 1, px + 1, px, px};
                const int ny[] = {py, py, py - 1, py + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < 0 || nx[k] >= w || ny[k] < top || ny[k] >= h)
                        continue;
                    int& mark = seen[static_cast<size_t>(ny[k]) * w + nx[k]];
                    if (!mark && !Near(image.pixel(nx[k], ny[k]), panel)) {
                        mark = 1;
                        stack.push_back({nx[k], ny[k]});
                    }
                }
            }
            // Specks (a shadow's edge) are not keys.
            if (box.right - box.left >= 10 && box.bottom - box.top >= 10 && area >= 200)
                keys.push_back(box);
        }
    }
    // Keys of one row start within a few pixels of each other.
    std::sort(keys.begin(), keys.end(), [](const Box& a, const Box& b) { return a.top < b.top; });
    std::vector<std::vector<Box>> rows;
    for (const Box& k : keys) {
        if (rows.empty() || k.top > rows.back().front().top + 8)
            rows.emplace_back();
        rows.back().push_back(k);
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        std::sort(rows[r].begin(), rows[r].end(), [](const Box& a, const Box& b) { return a.left < b.left; });
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const Box& k = rows[r][c];
            std::printf("key %zu %zu %d %d %d %d\n", r, c, k.left, k.top, k.right - k.left + 1, k.bottom - k.top + 1);
        }
    }
    return 0;
}
