#include "RenderCommand.h"

#include "analysis/DoubleDummy.h"
#include "comm/ProtocolKeys.h"
#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "foundation/Product.h"
#include "platform/PrintSystem.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "print/PrintSpool.h"
#include "render/PagePainter.h"
#include "render/RootServices.h"
#include "scorecard/PairScorecardWindow.h"
#include "scorecard/ScorecardRecords.h"
#include "scorecard/TeamScorecardWindow.h"
#include "scorecard/TestPageSample.h"

#include <QImage>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMinDpi = 30;
constexpr int kMaxDpi = 1200;

// What the pages ask of their root window. There is no desktop here: the
// language comes from the command line or the locale, the event text from
// the command line, and the footer carries the kiosk's own credit line.
class RendererServices : public DefaultRootServices {
public:
    RendererServices(LangIndex lang, std::string eventText) : lang_(lang), eventText_(std::move(eventText)) {}
    LangIndex GetLanguage() override { return lang_; }
    std::u16string CreditLine() override
    {
        return CreditLineText();
    }
    std::u16string EventTextW() override { return Utf8ToWide(eventText_); }

private:
    LangIndex lang_;
    std::string eventText_;
};

// Nobody is there to answer a message box: the texts are kept to report them
// as the error, and every dialog or menu is declined.
class HeadlessUi : public UiSeam {
public:
    int ShowMessage(QWidget*, const std::u16string& text, const std::u16string&, unsigned) override
    {
        messages.push_back(WideToUtf8(text));
        return MessageBoxAnswer::Ok;
    }
    int RunDialog(QDialog&) override { return 0; }
    QAction* TrackMenu(QMenu&, const QPoint&) override { return nullptr; }

    std::vector<std::string> messages;
};

// An output written under a temporary name beside its destination and moved
// into place only when everything succeeded; otherwise removed.
class PendingOutput {
public:
    explicit PendingOutput(std::string path) : path_(std::move(path))
    {
        if (!path_.empty())
            temp_ = path_ + ".part";
    }
    ~PendingOutput()
    {
        if (!temp_.empty())
            std::remove(temp_.c_str());
    }
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

    bool Wanted() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }
    const std::string& TempPath() const { return temp_; }
    bool Written() const
    {
        struct stat st {};
        return !temp_.empty() && stat(temp_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
    }
    bool Commit(std::string& error)
    {
        if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
            error = "cannot write " + path_ + ": " + std::strerror(errno);
            return false;
        }
        temp_.clear();
        return true;
    }

private:
    std::string path_;
    std::string temp_;
};

enum class PathKind { Missing, File, Other };

PathKind KindOfPath(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return PathKind::Missing;
    return S_ISREG(st.st_mode) ? PathKind::File : PathKind::Other;
}

const char* KindOfJson(const Json::Value& value)
{
    if (value.isNull())
        return "null";
    if (value.isBool())
        return "true/false value";
    if (value.isNumeric())
        return "fractional number";
    if (value.isArray())
        return "array";
    return "object";
}

// The scorecard in `message`, which came from `source` (a file named in
// every error).
bool ReadScorecard(const Json::Value& message, const std::string& source, ScorecardJob& input, std::string& error)
{
    if (!message.isObject()) {
        error = source + " is not a JSON object";
        return false;
    }
    const Json::Value* id = NumericJson::Member(message, MsgKey::kId);
    if (id == nullptr) {
        error = source + " has no message id (\"pub_MsgID\"); expected a scorecard message, 207 or 208";
        return false;
    }
    // The id must be the number itself: a quoted "207" is what a hand-edited
    // file most often gets wrong, and reading it as 0 would hide that.
    if (!id->isIntegral()) {
        error = source + ": \"pub_MsgID\" must be a number (207 team or 208 pair/individual), not " +
                (id->isString() ? "the text \"" + id->asString() + "\"" : std::string("a ") + KindOfJson(*id));
        return false;
    }
    std::string refusal;
    if (ReadScorecardMessage(message, input, refusal)) {
        // A scorecard without a single board would print an empty table: the
        // message is incomplete, not something to put on paper.
        const bool noBoards = input.kind == ScorecardJob::Kind::Team ? input.team.scorecard.boards.empty()
                                                                     : input.pair.boards.empty();
        if (noBoards) {
            error = source + " lists no boards (the array \"_L\" under \"66\" is missing or empty); nothing to print";
            return false;
        }
        return true;
    }
    if (!refusal.empty()) {
        error = source + " is refused: " + refusal;
        return false;
    }
    error = source + " holds message " + std::to_string(NumericJson::AsInt(*id)) +
            ", not a scorecard message (207 team or 208 pair/individual)";
    return false;
}

bool CheckReadableFile(const std::string& path, std::string& error)
{
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::File)
        return true;
    error = "cannot read " + path + (kind == PathKind::Missing ? ": no such file" : ": not a file");
    return false;
}

bool LoadMessage(const std::string& path, ScorecardJob& input, std::string& error)
{
    if (!CheckReadableFile(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Json::Value message;
    if (!NumericJson::Parse(text, message)) {
        error = path + " is not JSON";
        return false;
    }
    return ReadScorecard(message, path, input, error);
}

// A spool entry names its file by a path (anything that exists, or has a
// folder in it) or by its id, which is looked up in the spool folder and
// among the entries printed or discarded there.
bool LoadSpooled(const RenderOptions& options, ScorecardJob& input, std::string& error)
{
    std::string path = options.spooled;
    if (KindOfPath(path) == PathKind::Missing && path.find('/') == std::string::npos) {
        const std::string folder = options.spoolDir.empty() ? DataFolder() + "spool/" : options.spoolDir;
        path = PrintSpool::FindEntryFile(folder, options.spooled);
        if (path.empty()) {
            error = "no spooled scorecard " + options.spooled + " in " + folder + " (nor in its done/ or discarded/)";
            return false;
        }
    }
    if (!CheckReadableFile(path, error))
        return false;
    const std::optional<SpoolEntry> entry = PrintSpool::ReadEntryFile(path, error);
    return entry && ReadScorecard(entry->message, path, input, error);
}

// The folder an output goes into must exist: the print system would only say
// that it could not start, which does not tell a person what to fix.
bool CheckOutputFolder(const std::string& option, const std::string& path, std::string& error)
{
    if (path.empty())
        return true;
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return true;
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        error = "cannot write " + path + " (" + option + "): the folder " + folder + " does not exist";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = "cannot write " + path + " (" + option + "): " + folder + " is not a folder";
        return false;
    }
    return true;
}

bool ParseDpi(const std::string& text, int& dpi)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    dpi = std::stoi(text);
    return dpi >= kMinDpi && dpi <= kMaxDpi;
}

} // namespace

std::string RenderUsage()
{
    return "usage: bridgeprint-render (--test-page | --message MSG.json | --spooled ENTRY [--spool-dir DIR]\n"
           "                           | --pbn HANDS.pbn)\n"
           "                          [--pdf OUT.pdf] [--png OUT.png] [--dpi N] [--lang zh|en] [--event TEXT]\n"
           "\n"
           "Prints a scorecard exactly as the kiosk prints it (same layout, same print job), into a\n"
           "PDF file and/or a PNG picture of its first page. No display, printer or scoring server\n"
           "is needed.\n"
           "\n"
           "  --test-page       the built-in test page (a six-board team match)\n"
           "  --message FILE    a scorecard message as the scoring server sends it: a JSON object\n"
           "                    with \"pub_MsgID\" 207 (team) or 208 (pair or individual)\n"
           "  --spooled ENTRY   a scorecard the kiosk kept in its print spool: the entry's file, or\n"
           "                    its id (such as 20261210-153003-000001), looked up in the spool\n"
           "                    folder and among the entries printed (done/) or discarded there\n"
           "  --pbn FILE        hand records: every deal of a PBN file, sixteen to a page, with\n"
           "                    dealer, vulnerability, high-card points, the auction when the file\n"
           "                    has one, the double-dummy trick table (from the file's\n"
           "                    DoubleDummyTricks, else worked out) and the par of each deal\n"
           "  --spool-dir DIR   the spool folder for an id (default: spool/ in the kiosk's data\n"
           "                    folder, ztxt/ beside the program)\n"
           "  --pdf FILE        write every page to this PDF file (A4 portrait)\n"
           "  --png FILE        write the first page to this PNG picture\n"
           "  --dpi N           resolution of the PNG picture, 30 to 1200 (default 150)\n"
           "  --lang zh|en      language of the printed texts (default: the kiosk's choice from\n"
           "                    the locale: Chinese for zh_CN and zh_SG, English otherwise)\n"
           "  --event TEXT      event name for the stamp printed under the table of a scorecard\n"
           "                    without hand diagrams\n"
           "  --help            show this text\n"
           "  --version         show the program's version\n"
           "\n"
           "An option's value may also follow it after '=', as in --lang=en.\n"
           "At least one of --pdf and --png is needed. On any error the program prints one line\n"
           "naming the problem, exits with a non-zero status and leaves no output file behind.\n"
           "\n"
           "examples:\n"
           "  bridgeprint-render --test-page --pdf test-page.pdf\n"
           "  bridgeprint-render --message team-7.json --pdf team-7.pdf --png team-7.png --dpi 100\n"
           "  bridgeprint-render --spooled 20261210-153003-000001 --pdf reprint.pdf\n"
           "  bridgeprint-render --pbn session-2.pbn --pdf hand-records.pdf\n";
}

bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        // "--lang=en" is the same as "--lang en".
        std::optional<std::string> inlineValue;
        if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
        }
        if ((arg == "--help" || arg == "-h") && !inlineValue) {
            options.help = true;
            return true;
        }
        if (arg == "--version" && !inlineValue) {
            options.version = true;
            return true;
        }
        if (arg == "--test-page" && inlineValue) {
            error = "option --test-page takes no value";
            return false;
        }
        if (arg == "--test-page") {
            options.testPage = true;
            continue;
        }
        const bool takesValue = arg == "--message" || arg == "--pbn" || arg == "--spooled" || arg == "--spool-dir" || arg == "--pdf" ||
                                arg == "--png" || arg == "--dpi" || arg == "--lang" || arg == "--event";
        if (!takesValue) {
            error = "unknown option " + arg + " (see --help)";
            return false;
        }
        if (!inlineValue && i + 1 >= args.size()) {
            error = "option " + arg + " needs a value (see --help)";
            return false;
        }
        const std::string value = inlineValue ? *inlineValue : args[++i];
        if (arg == "--message") {
            options.messagePath = value;
        } else if (arg == "--pbn") {
            options.pbnPath = value;
        } else if (arg == "--spooled") {
            options.spooled = value;
        } else if (arg == "--spool-dir") {
            options.spoolDir = value;
        } else if (arg == "--pdf") {
            options.pdfPath = value;
        } else if (arg == "--png") {
            options.pngPath = value;
        } else if (arg == "--dpi") {
            if (!ParseDpi(value, options.dpi)) {
                error = "--dpi needs a whole number from 30 to 1200, not " + value;
                return false;
            }
        } else if (arg == "--lang") {
            if (value == "zh")
                options.lang = kLangChinese;
            else if (value == "en")
                options.lang = kLangEnglish;
            else {
                error = "--lang takes zh or en, not " + value;
                return false;
            }
        } else {
            options.eventText = value;
        }
    }
    std::vector<std::string> inputs;
    if (options.testPage)
        inputs.push_back("--test-page");
    if (!options.messagePath.empty())
        inputs.push_back("--message");
    if (!options.spooled.empty())
        inputs.push_back("--spooled");
    if (!options.pbnPath.empty())
        inputs.push_back("--pbn");
    if (inputs.size() != 1) {
        if (inputs.empty())
            error = "nothing to print: give --test-page, --message FILE, --spooled ENTRY or --pbn FILE (see --help)";
        else if (inputs.size() == 2)
            error = "give either " + inputs[0] + " or " + inputs[1] + ", not both";
        else
            error = "give only one of --test-page, --message, --spooled and --pbn";
        return false;
    }
    if (!options.spoolDir.empty() && options.spooled.empty()) {
        error = "--spool-dir is used only with --spooled";
        return false;
    }
    if (options.pdfPath.empty() && options.pngPath.empty()) {
        error = "no output: give --pdf FILE and/or --png FILE (see --help)";
        return false;
    }
    if (!options.pdfPath.empty() && options.pdfPath == options.pngPath) {
        error = "--pdf and --png name the same file";
        return false;
    }
    return true;
}

bool LoadRenderInput(const RenderOptions& options, ScorecardJob& input, std::string& error)
{
    if (!CheckOutputFolder("--pdf", options.pdfPath, error) || !CheckOutputFolder("--png", options.pngPath, error))
        return false;
    if (!options.spooled.empty())
        return LoadSpooled(options, input, error);
    if (!options.testPage)
        return LoadMessage(options.messagePath, input, error);
    input.kind = ScorecardJob::Kind::Team;
    input.team = MakeTestPageJob();
    return true;
}

bool RenderScorecard(const RenderOptions& options, const ScorecardJob& input, std::string& error)
{
    HeadlessUi ui;
    SetUiSeam(&ui);
    RendererServices services(options.lang.value_or(DefaultLanguageForCodePage(OemCodePage())), options.eventText);
    PendingOutput pdf(options.pdfPath);
    PendingOutput png(options.pngPath);
    PdfFilePrintSystem printSystem(pdf.TempPath());
    SetPrintSystem(&printSystem);
    InstallPrintJob();

    // With a PDF wanted the view prints at once, as the kiosk does; for a
    // picture alone it is only laid out.
    const bool printNow = pdf.Wanted();
    std::unique_ptr<ScorecardWindow> view;
    if (input.kind == ScorecardJob::Kind::Team) {
        auto team = std::make_unique<TeamScorecardWindow>();
        team->SetRootServices(&services);
        team->CreateInWidget(nullptr, kTeamScorecardViewId);
        team->BuildTeamScorecard(input.team, printNow);
        view = std::move(team);
    } else {
        auto pair = std::make_unique<PairScorecardWindow>();
        pair->SetRootServices(&services);
        pair->CreateInWidget(nullptr, kPairScorecardViewId);
        pair->BuildPairScorecard(input.pair, printNow);
        view = std::move(pair);
    }

    bool ok = true;
    if (!ui.messages.empty()) {
        error = "cannot print to " + options.pdfPath + ": " + ui.messages.front();
        ok = false;
    } else if (pdf.Wanted() && !pdf.Written()) {
        error = "cannot write " + options.pdfPath;
        ok = false;
    }
    if (ok && png.Wanted() &&
        !RenderPageImage(*view, 1, options.dpi).save(QString::fromStdString(png.TempPath()), "PNG")) {
        error = "cannot write " + options.pngPath;
        ok = false;
    }
    if (ok && pdf.Wanted())
        ok = pdf.Commit(error);
    if (ok && png.Wanted())
        ok = png.Commit(error);

    view.reset();
    SetPrintSystem(nullptr);
    SetUiSeam(nullptr);
    return ok;
}

namespace {

// A hand-record file larger than this is not a session's deals.
constexpr std::streamsize kMaxPbnBytes = 64 * 1024 * 1024;

bool ReadPbnFile(const std::string& path, std::string& text, std::string& error)
{
    if (!CheckReadableFile(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (static_cast<std::streamsize>(text.size()) > kMaxPbnBytes) {
        error = path + " is larger than 64 MiB; not a file of hand records";
        return false;
    }
    return true;
}

std::string JoinedContracts(const std::vector<std::string>& contracts)
{
    std::string text;
    for (const std::string& c : contracts)
        text += (text.empty() ? "" : ", ") + c;
    return text;
}

} // namespace

bool LoadHandRecordInput(const RenderOptions& options, HandRecordInput& input, std::string& error)
{
    if (!CheckOutputFolder("--pdf", options.pdfPath, error) || !CheckOutputFolder("--png", options.pngPath, error))
        return false;
    std::string text;
    if (!ReadPbnFile(options.pbnPath, text, error) || !ReadHandRecords(text, options.pbnPath, input.file, error))
        return false;
    // Every board without a table from the file is solved in one request:
    // the solver takes them in batches as large as it allows and spreads
    // each batch over the cores.
    std::vector<const Deal*> unsolved;
    std::vector<size_t> where;
    for (size_t i = 0; i < input.file.boards.size(); ++i) {
        if (!input.file.boards[i].tricksFromFile) {
            unsolved.push_back(&input.file.boards[i].deal);
            where.push_back(i);
        }
    }
    // Solving takes a few tenths of a second a board: on a terminal a line
    // shows how far it is, rewritten after each batch and cleared at the end.
    SolveProgress progress;
    const bool onTerminal = isatty(STDERR_FILENO) == 1;
    if (onTerminal && unsolved.size() > 0) {
        progress = [](size_t solved, size_t total) {
            std::fprintf(stderr, "\rsolving double-dummy tables: %zu/%zu boards", solved, total);
            std::fflush(stderr);
        };
        progress(0, unsolved.size());
    }
    std::vector<TrickTable> tables;
    const bool solved = SolveTrickTables(unsolved, tables, error, progress);
    if (onTerminal && unsolved.size() > 0)
        std::fprintf(stderr, "\r\033[K");
    if (!solved) {
        error = options.pbnPath + ": " + error;
        return false;
    }
    for (size_t j = 0; j < where.size(); ++j)
        input.file.boards[where[j]].deal.SetTrickTexts(TrickTableText(tables[j]));
    input.pars.assign(input.file.boards.size(), BoardPar());
    for (size_t i = 0; i < input.file.boards.size(); ++i) {
        const HandRecordBoard& board = input.file.boards[i];
        TrickTable table;
        ParResult par;
        if (!TrickTableFromText(board.deal.GetTrickTexts(), table) ||
            !ComputePar(table, board.dealer, board.vulnerability, par, error)) {
            error = options.pbnPath + ": board " + std::to_string(board.deal.GetBoard()) + ": " +
                    (error.empty() ? "no trick table" : error);
            return false;
        }
        input.pars[i] = BoardPar{true, par.score, JoinedContracts(par.contracts)};
    }
    return true;
}

bool RenderHandRecords(const RenderOptions& options, const HandRecordInput& input, std::string& error)
{
    HeadlessUi ui;
    SetUiSeam(&ui);
    RendererServices services(options.lang.value_or(DefaultLanguageForCodePage(OemCodePage())), options.eventText);
    PendingOutput pdf(options.pdfPath);
    PendingOutput png(options.pngPath);
    PdfFilePrintSystem printSystem(pdf.TempPath());
    SetPrintSystem(&printSystem);
    InstallPrintJob();

    auto view = std::make_unique<HandRecordView>();
    view->SetRootServices(&services);
    view->CreateInWidget(nullptr, kHandRecordViewId);
    view->SetHandRecords(input.file, input.pars);
    if (pdf.Wanted())
        view->Print(1, PrintMode::OnChosen);

    bool ok = true;
    if (!ui.messages.empty()) {
        error = "cannot print to " + options.pdfPath + ": " + ui.messages.front();
        ok = false;
    } else if (pdf.Wanted() && !pdf.Written()) {
        error = "cannot write " + options.pdfPath;
        ok = false;
    }
    if (ok && png.Wanted() &&
        !RenderPageImage(*view, 1, options.dpi).save(QString::fromStdString(png.TempPath()), "PNG")) {
        error = "cannot write " + options.pngPath;
        ok = false;
    }
    if (ok && pdf.Wanted())
        ok = pdf.Commit(error);
    if (ok && png.Wanted())
        ok = png.Commit(error);

    view.reset();
    SetPrintSystem(nullptr);
    SetUiSeam(nullptr);
    return ok;
}
