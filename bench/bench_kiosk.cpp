// The kiosk's own latencies, measured inside the real desktop on the
// offscreen platform:
//  - reply received -> job submitted: a team scorecard reply enters the desk
//    as the receive thread hands it over; the clock stops when the print
//    journal says "submitted" (spooled with fsync, painted, written as a PDF
//    job into a folder that stands for the printer). The 100 ms tick that
//    picks it up is part of the figure, as it is in use.
//  - desktop repaint: the whole client area, 1920x1080, with 200 entries on
//    the list, painted as the window paints it (off screen, then copied).
//
//   bench_kiosk [--replies N] [--repaints N] [--scorecard FILE]
//
// Prints one line per figure: median, 95th percentile and worst, in ms.

#include "comm/ProtocolKeys.h"
#include "comm/ServerMessage.h"
#include "foundation/DataFolderChoice.h"
#include "foundation/Files.h"
#include "kiosk/FrameDesktop.h"
#include "kiosk/KioskPrinting.h"
#include "kiosk/SelfPrintDesktop.h"
#include "platform/Fonts.h"
#include "platform/PrintSystem.h"
#include "print/PrintJob.h"
#include "settings/KioskSettings.h"

#include <QApplication>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

void Report(const char* what, std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) { return samples[std::min(samples.size() - 1, size_t(q * double(samples.size())))]; };
    std::printf("%-40s n=%-4zu median %7.2f ms   p95 %7.2f ms   worst %7.2f ms\n", what, samples.size(), at(0.5),
                at(0.95), samples.back());
}

ServerMessage ListReply(int entries)
{
    ServerMessage reply(kMsgSignupList);
    reply.SetFlag(MsgKey::kConfirmed, true);
    reply.SetText("1", "Spring Congress");
    Json::Value list(Json::objectValue);
    for (int i = 1; i <= entries; ++i) {
        Json::Value e;
        e["4"] = 1 + i / 60;
        e["5"] = std::string(1, char('A' + i / 60));
        e["6"] = i;
        e["7"] = i % 2 == 0 ? "长风队 " + std::to_string(i) : "Northern Lights " + std::to_string(i);
        list["_o"].append(e);
    }
    reply[MsgKey::kSignupList] = list;
    return reply;
}

size_t JournalCount(const std::string& path, const std::string& event)
{
    const std::string text = ReadWholeFile(path, 64 * 1024 * 1024);
    const std::string needle = "\"event\":\"" + event + "\"";
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
        ++n;
    return n;
}

} // namespace

int main(int argc, char** argv)
{
    int replies = 30, repaints = 200;
    std::string scorecardPath = std::string(BP_SOURCE_DIR) + "/tests/e2e/fixtures/team-16-boards.json";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--replies")
            replies = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--repaints")
            repaints = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--scorecard")
            scorecardPath = argv[i + 1];
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    InstallFontSubstitutions();

    char pattern[] = "/tmp/bench-kiosk-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string dir = std::string(pattern) + "/";
    const std::string data = dir + "data/", pdf = dir + "pdf/";
    CreateFolders(data);
    CreateFolders(pdf);
    UseDataFolder(data);
    KioskSettings::SetFilePathForTesting(data + "Self_Print.txt");

    ServerMessage scorecard;
    if (!scorecard.FromJsonText(ReadWholeFile(scorecardPath))) {
        std::fprintf(stderr, "bench_kiosk: cannot read %s\n", scorecardPath.c_str());
        return 1;
    }

    {
        QWidget host;
        host.resize(1920, 1080);
        auto* desktop = new SelfPrintDesktop(&host, FrameServices{});
        desktop->setGeometry(0, 0, 1920, 1080);
        host.show();
        QApplication::processEvents();

        // The folder stands for the printer, as --pdf-folder does.
        auto folder = std::make_unique<PdfFolderPrintSystem>(pdf);
        desktop->Jobs().Chosen() = folder->RunPrintDialog(1, PrinterChoice{}, PrintDialogContext{})->choice;
        desktop->UsePrintSystem(std::move(folder));
        desktop->EnableDurablePrinting(data, nullptr);
        ServerMessage list = ListReply(200);
        desktop->Desk().SetPendingSettings(desktop->Desk().GetSettings());
        desktop->Desk().OnSocketMessage(-1, list);

        const std::string journal = data + "print-journal.jsonl";
        std::vector<double> latency;
        for (int i = 0; i < replies; ++i) {
            const size_t before = JournalCount(journal, "submitted");
            ServerMessage reply = scorecard;
            const Clock::time_point start = Clock::now();
            desktop->Desk().OnSocketMessage(-1, reply);
            const Clock::time_point limit = start + std::chrono::seconds(10);
            while (JournalCount(journal, "submitted") == before && Clock::now() < limit)
                QApplication::processEvents(QEventLoop::AllEvents, 1);
            if (Clock::now() >= limit) {
                std::fprintf(stderr, "bench_kiosk: reply %d was not submitted within 10 s\n", i + 1);
                return 1;
            }
            latency.push_back(Ms(Clock::now() - start));
        }
        Report("reply received -> job submitted", latency);

        std::vector<double> paint;
        QWidget* viewport = desktop->viewport();
        for (int i = 0; i < repaints; ++i) {
            const Clock::time_point start = Clock::now();
            viewport->repaint();
            paint.push_back(Ms(Clock::now() - start));
        }
        Report("desktop repaint, 200 entries, 1920x1080", paint);
    }
    std::error_code ignored;
    std::filesystem::remove_all(pattern, ignored);
    return 0;
}
