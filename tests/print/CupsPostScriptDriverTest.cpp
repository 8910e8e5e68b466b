// A scorecard through a real printer driver. The kiosk prints its test page
// on a queue of a private scheduler whose driver is the generic PostScript
// printer of the system's CUPS packages and whose device is AppSocket to a
// port on 127.0.0.1, as a network printer's port 9100 would be. What arrives
// at the port must be PostScript, one A4 page, that Ghostscript draws as it
// draws the PDF the kiosk handed to the queue. The driver's fonts lose their
// character map, so the pages are compared as pictures, not as text.
//
// Without root, cupsd, Ghostscript or the driver's filter and backend the
// test skips and says which is missing. When the page is wrong, both
// pictures and a picture of their differences are written beside the test
// program (BP_KEEP_PRINTS=1 writes them always), with what the port received.

#include "platform/PrintSystem.h"
#include "print/PrintJob.h"
#include "scorecard/TeamScorecardWindow.h"
#include "scorecard/TestPageSample.h"
#include "support/FixedRootServices.h"
#include "support/LoopbackServer.h"
#include "support/PrivateScheduler.h"
#include "support/RunTool.h"
#include "support/TempDir.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using tools::RunTool;

constexpr const char* kQueue = "Kiosk_PS";
// Ghostscript draws at three times this and averages each 3 x 3 block
// without smoothing of its own: smoothed at the final size, the same text
// came out a shade bolder from the driver's PostScript fonts than from the
// PDF's, while averaged from the finer drawing the two agree to the pixel.
constexpr int kDpi = 100;
// Differences are summed over squares of this many pixels (about 6 mm), so
// that a missing figure stands out as a square that differs, however little
// of the rest of the page does.
constexpr int kTile = 24;
// The most a square may differ (0: the same, 1: black against white). The two
// pictures of this page differed by 0.0013 at most; one missing figure of a
// score makes its square differ by about 0.06.
constexpr double kTolerance = 0.02;

// Why this machine cannot run the test, or "".
std::string MissingTool()
{
    if (std::system("command -v gs >/dev/null 2>&1") != 0)
        return "Ghostscript (gs) is not installed (scripts/setup installs it)";
    for (const char* path : {"/usr/lib/cups/filter/pdftops", "/usr/lib/cups/backend/socket"})
        if (!std::filesystem::exists(path))
            return std::string(path) + " is missing (scripts/setup installs cups-filters and cups)";
    return {};
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Ghostscript's pictures of every page of `file` (PDF or PostScript), grey
// at kDpi, written as prefix-1.png, prefix-2.png, ...; `log` gets what
// Ghostscript said.
std::vector<QImage> Render(const std::string& file, const std::string& prefix, std::string& log)
{
    log = RunTool("timeout 60 gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pnggray -r" + std::to_string(kDpi * 3) +
                  " -dDownScaleFactor=3 -sOutputFile='" + prefix + "-%d.png' '" + file + "' 2>&1");
    std::vector<QImage> pages;
    for (int n = 1;; ++n) {
        QImage page(QString::fromStdString(prefix + "-" + std::to_string(n) + ".png"));
        if (page.isNull())
            break;
        pages.push_back(page.convertToFormat(QImage::Format_Grayscale8));
    }
    return pages;
}

// The grey of a pixel; white outside the picture, so that pictures of
// different sizes are compared as sheets laid on each other at the corner.
int Grey(const QImage& page, int x, int y)
{
    return x < page.width() && y < page.height() ? page.constScanLine(y)[x] : 255;
}

// How far two pictures of a page lie apart.
struct PageDifference {
    double mean = 0;      // over the whole page
    double worstTile = 0; // over the kTile square where they differ most
    int worstX = 0;       // that square's top left corner, in pixels
    int worstY = 0;
};

PageDifference Compare(const QImage& a, const QImage& b)
{
    PageDifference d;
    const int w = std::max(a.width(), b.width());
    const int h = std::max(a.height(), b.height());
    double total = 0;
    for (int ty = 0; ty < h; ty += kTile) {
        for (int tx = 0; tx < w; tx += kTile) {
            double tile = 0;
            for (int y = ty; y < std::min(ty + kTile, h); ++y)
                for (int x = tx; x < std::min(tx + kTile, w); ++x)
                    tile += std::abs(Grey(a, x, y) - Grey(b, x, y));
            total += tile;
            tile /= 255.0 * kTile * kTile;
            if (tile > d.worstTile) {
                d.worstTile = tile;
                d.worstX = tx;
                d.worstY = ty;
            }
        }
    }
    d.mean = total / (255.0 * w * h);
    return d;
}

// The differences in red, the darker the larger, over a faded copy of `a`.
QImage DifferencePicture(const QImage& a, const QImage& b)
{
    QImage out(std::max(a.width(), b.width()), std::max(a.height(), b.height()), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto* po = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const int diff = std::abs(Grey(a, x, y) - Grey(b, x, y));
            const int faded = 255 - (255 - Grey(a, x, y)) / 4;
            po[x] = diff >= 8 ? qRgb(255 - diff / 2, 0, 0) : qRgb(faded, faded, faded);
        }
    }
    return out;
}

// The number of DSC page comments ("%%Page: ...") at the start of a line.
int DscPages(const std::string& ps)
{
    int pages = 0;
    for (size_t at = ps.find("%%Page:"); at != std::string::npos; at = ps.find("%%Page:", at + 1))
        if (at == 0 || ps[at - 1] == '\n' || ps[at - 1] == '\r')
            ++pages;
    return pages;
}

// `page` with `paint` done over it.
QImage PaintedOver(const QImage& page, const std::function<void(QPainter&)>& paint)
{
    QImage out = page.convertToFormat(QImage::Format_RGB32);
    QPainter p(&out);
    paint(p);
    p.end();
    return out.convertToFormat(QImage::Format_Grayscale8);
}

// A square of the page that holds as much ink as a typical square with any
// ink on it: the median of them.
QRect TypicalInkedTile(const QImage& page)
{
    std::vector<std::pair<long, QRect>> inked;
    for (int ty = 0; ty + kTile <= page.height(); ty += kTile) {
        for (int tx = 0; tx + kTile <= page.width(); tx += kTile) {
            long ink = 0;
            for (int y = ty; y < ty + kTile; ++y)
                for (int x = tx; x < tx + kTile; ++x)
                    ink += 255 - page.constScanLine(y)[x];
            if (ink > 255 * 4)
                inked.emplace_back(ink, QRect(tx, ty, kTile, kTile));
        }
    }
    if (inked.empty())
        return {};
    std::nth_element(inked.begin(), inked.begin() + long(inked.size() / 2), inked.end(),
                     [](const auto& l, const auto& r) { return l.first < r.first; });
    return inked[inked.size() / 2].second;
}

class CupsPostScriptDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string whyNot = MissingTool();
        if (whyNot.empty())
            whyNot = scheduler.Start();
        if (!whyNot.empty())
            GTEST_SKIP() << whyNot;
        ASSERT_TRUE(work.Valid());
        root.eventText = u"Spring Open";
        printJob = std::make_unique<PrintJob>(qtPrinting);
        root.printer = printJob.get();
    }
    void TearDown() override
    {
        if (HasFailure() && !received.empty()) {
            const QString path = QDir::current().absoluteFilePath(QStringLiteral("CupsPostScriptDriver-received.ps"));
            WriteFile(path.toStdString(), received);
            std::printf("what the port received: %s\n", path.toStdString().c_str());
        }
        root.printer = nullptr;
        printJob.reset();
    }

    // The kiosk's test page, printed as the director's menu prints it, on
    // the chosen queue; the job's id.
    int32_t PrintTestPage(const std::string& queue)
    {
        PrinterChoice& chosen = printJob->Chosen();
        chosen.driver = kDriverPrinter;
        chosen.device = std::u16string(queue.begin(), queue.end());
        chosen.setup.paperWidth = 2100;
        chosen.setup.paperLength = 2970;
        chosen.options = {{"sides", "one-sided"}};
        TeamScorecardWindow view;
        view.SetRootServices(&root);
        view.CreateInWidget(nullptr, kTeamScorecardViewId);
        view.resize(800, 900);
        printJob->ClearLastResult();
        printJob->SetNextLabel("test-page");
        view.BuildTeamScorecard(MakeTestPageJob(), true);
        const PrintResult& result = printJob->LastResult();
        EXPECT_EQ(result.kind, PrintResult::Kind::Sent);
        EXPECT_EQ(result.outcome.status, PrintOutcome::Status::Submitted) << result.outcome.error;
        return result.outcome.jobId;
    }

    // Polls the job until it is over (or 20 s passed).
    static PrintJobState WaitForJobEnd(int32_t job)
    {
        PrintJobState state = QueryPrintJob(job).state;
        for (int i = 0; i < 200 && state != PrintJobState::Completed && !JobFailed(state); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            state = QueryPrintJob(job).state;
        }
        return state;
    }

    // Writes `image` beside the test program for a person to look at; its
    // path.
    static std::string Keep(const QImage& image, const std::string& name)
    {
        const QString path = QDir::current().absoluteFilePath(QString::fromStdString(name));
        image.save(path);
        return path.toStdString();
    }

    PrivateScheduler scheduler;
    // What the printer's port received, kept beside the test program when
    // the test fails.
    std::string received;
    FixedRootServices root;
    QtPrintSystem qtPrinting;
    std::unique_ptr<PrintJob> printJob;
    TempDir work{"bp-driver"};
};

} // namespace

TEST_F(CupsPostScriptDriverTest, TheTestPageReachesThePrintersPortAsOneA4PageOfPostScriptDrawnLikeOurPdf)
{
    loopback::RawPrinterPort port;
    ASSERT_TRUE(port.Listening());
    ASSERT_EQ(scheduler.AddSocketQueue(kQueue, port.Port()), "");
    // Stopped, the queue keeps the job and its document, the PDF the kiosk
    // made, until it is started again: the document is read meanwhile.
    scheduler.Cups(std::string("cupsdisable ") + kQueue);

    const int32_t job = PrintTestPage(kQueue);
    ASSERT_GT(job, 0);
    const std::string pdf = ReadFile(scheduler.SpooledDocument(job));
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u) << "the queue holds no PDF for job " << job << "\n" << scheduler.LogTail();
    const std::string ourPdf = work.File("ours.pdf");
    WriteFile(ourPdf, pdf);
    scheduler.Cups(std::string("cupsenable ") + kQueue);

    const bool arrived = port.WaitForJobs(1, std::chrono::seconds(60));
    const PrintJobState state = WaitForJobEnd(job);
    ASSERT_TRUE(arrived) << "nothing complete reached port " << port.Port() << ": " << port.Describe() << "\n"
                         << scheduler.LogTail();
    EXPECT_EQ(state, PrintJobState::Completed) << scheduler.LogTail();
    const std::vector<std::string> streams = port.Jobs();
    ASSERT_EQ(streams.size(), 1u) << port.Describe();
    received = streams.front();
    const std::string& ps = received;
    const std::string theirPs = work.File("received.ps");
    WriteFile(theirPs, ps);

    EXPECT_EQ(ps.rfind("%!PS-Adobe-", 0), 0u) << "not PostScript: " << ps.substr(0, 80);
    EXPECT_EQ(DscPages(ps), 1);

    std::string pdfLog;
    std::string psLog;
    const std::vector<QImage> ourPages = Render(ourPdf, work.File("ours"), pdfLog);
    const std::vector<QImage> theirPages = Render(theirPs, work.File("received"), psLog);
    ASSERT_EQ(ourPages.size(), 1u) << pdfLog;
    ASSERT_EQ(theirPages.size(), 1u) << "pages Ghostscript drew from what the port received\n" << psLog;
    const QImage& ours = ourPages.front();
    const QImage& theirs = theirPages.front();
    // A4 is 595 x 842 points; Ghostscript draws the page size the PostScript
    // asks the printer for, rounded to whole pixels.
    const QSize a4(int(std::lround(595.0 * kDpi / 72)), int(std::lround(842.0 * kDpi / 72)));
    EXPECT_LE(std::abs(theirs.width() - a4.width()) + std::abs(theirs.height() - a4.height()), 2)
        << "the printer's page is " << theirs.width() << " x " << theirs.height() << " pixels at " << kDpi
        << " dpi, A4 is " << a4.width() << " x " << a4.height();

    const PageDifference d = Compare(ours, theirs);
    const bool keep = std::getenv("BP_KEEP_PRINTS") != nullptr;
    if (keep || HasFailure() || d.worstTile > kTolerance) {
        const std::string paths = Keep(ours, "CupsPostScriptDriver-ours.png") + "\n" +
                                  Keep(theirs, "CupsPostScriptDriver-received.png") + "\n" +
                                  Keep(DifferencePicture(ours, theirs), "CupsPostScriptDriver-difference.png") + "\n";
        std::printf("pictures of the page:\n%s", paths.c_str());
    }
    std::printf("pages differ by %.5f on average, %.5f at most in the square at (%d, %d) px\n", d.mean, d.worstTile,
                d.worstX, d.worstY);
    EXPECT_LE(d.worstTile, kTolerance) << "the printed page differs from our PDF most in the square at (" << d.worstX
                                       << ", " << d.worstY << ") px; see the pictures named above";

    // The tolerance is small enough that what a wrong driver, paper size or
    // scaling does to this page is seen.
    const QRect typical = TypicalInkedTile(ours);
    ASSERT_FALSE(typical.isEmpty());
    const int margin = int(std::lround(12.0 * kDpi / 72)); // the driver's printable area starts 12 pt in
    struct Fault {
        const char* name;
        std::function<void(QPainter&)> paint;
    };
    const Fault faults[] = {
        {"moved by the printable area's margin",
         [&](QPainter& p) {
             p.fillRect(ours.rect(), Qt::white);
             p.drawImage(margin, margin, ours);
         }},
        {"shrunk to 97 % to fit",
         [&](QPainter& p) {
             p.fillRect(ours.rect(), Qt::white);
             p.drawImage(QRectF(0, 0, ours.width() * 0.97, ours.height() * 0.97), ours);
         }},
        {"a square of ordinary content missing", [&](QPainter& p) { p.fillRect(typical, Qt::white); }},
        {"an empty page", [&](QPainter& p) { p.fillRect(ours.rect(), Qt::white); }},
        {"another page (this one upside down)", [&](QPainter& p) { p.drawImage(0, 0, ours.mirrored(true, true)); }},
    };
    for (const Fault& f : faults) {
        SCOPED_TRACE(f.name);
        EXPECT_GT(Compare(ours, PaintedOver(ours, f.paint)).worstTile, kTolerance);
    }
}
