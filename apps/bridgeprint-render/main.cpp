// bridgeprint-render: prints a scorecard message, or the built-in test page,
// exactly as the kiosk prints it, into a PDF file and/or a PNG picture, or
// many scorecards into one PDF. It needs no display: without one it runs on
// Qt's offscreen platform.

#include "RenderCommand.h"

#include "foundation/Product.h"
#include "platform/Fonts.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace {

void PassSeriousMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << message.toStdString() << "\n";
}

bool HasDisplay()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(args, options, error)) {
        std::cerr << "bridgeprint-render: " << error << "\n";
        return 2;
    }
    if (options.help) {
        std::cout << RenderUsage();
        return 0;
    }
    if (options.version) {
        std::cout << "bridgeprint-render " << kProgramVersion << "\n";
        return 0;
    }
    // The input is checked before any window system starts, so that a bad
    // file is reported alone. Of several scorecards each is read once here
    // and dropped, so that a bad one anywhere in a batch is reported before
    // painting starts; they are read again one at a time as they print.
    // Hand records are read whole, and solved, before that too.
    std::vector<ScorecardSource> sources;
    ScorecardJob input;
    HandRecordInput handRecords;
    const bool handRecordsWanted = !options.pbnPath.empty();
    bool loaded = handRecordsWanted ? LoadHandRecordInput(options, handRecords, error)
                                    : ListScorecards(options, sources, error);
    if (loaded && !handRecordsWanted && sources.size() <= 1) {
        loaded = LoadRenderInput(options, sources, input, error);
    } else if (loaded && !handRecordsWanted) {
        for (size_t i = 0; loaded && i < sources.size(); ++i) {
            ScorecardJob check;
            loaded = LoadScorecard(sources[i], check, error);
        }
    }
    if (!loaded) {
        std::cerr << "bridgeprint-render: " << error << "\n";
        return 1;
    }

    // A platform chosen by the caller is kept; without one and without a
    // display the pages are drawn off screen.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((platform == nullptr || *platform == '\0') && !HasDisplay())
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // Qt's own notices (a missing runtime folder and the like) would mix with
    // the one line this program promises on failure; only its serious
    // messages are passed on.
    qInstallMessageHandler(PassSeriousMessages);
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    const bool rendered = handRecordsWanted     ? RenderHandRecords(options, handRecords, error)
                          : sources.size() <= 1 ? RenderScorecard(options, input, error)
                                                : RenderScorecards(options, sources, error);
    if (!rendered) {
        std::cerr << "bridgeprint-render: " << error << "\n";
        return 1;
    }
    return 0;
}
