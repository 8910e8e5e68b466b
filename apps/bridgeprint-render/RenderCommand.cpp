#include "RenderCommand.h"

#include "analysis/DoubleDummy.h"
#include "comm/ProtocolKeys.h"
#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "foundation/Product.h"
#include "platform/PrintSystem.h"
#include "platform/UiSeam.h"
#include "print/PrintJob.h"
#include "print/PrintJournal.h"
#include "print/PrintSpool.h"
#include "render/PagePainter.h"
#include "render/RootServices.h"
#include "scorecard/PairScorecardWindow.h"
#include "scorecard/ScorecardRecords.h"
#include "scorecard/TeamScorecardWindow.h"
#include "scorecard/TestPageSample.h"

#include <QImage>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kMinDpi = 30;
constexpr int kMaxDpi = 1200;
constexpr const char* kPngTakesOne =
    "--png pictures the first page of a single scorecard; print several into --pdf without --png";

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
    // The print job the views print through, when they print.
    PagePrinter* Printer() override { return printer_; }
    void SetPrinter(PagePrinter* printer) { printer_ = printer; }

private:
    LangIndex lang_;
    std::string eventText_;
    PagePrinter* printer_ = nullptr;
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

// The kiosk's scorecard window for the input, built as the kiosk builds it:
// printed at once through the print job when `printNow`, otherwise only laid
// out. A window only laid out is "shown" by the build; on a director's
// desktop that must not flash a window per scorecard, so it never reaches
// the screen.
std::unique_ptr<ScorecardWindow> BuildView(const ScorecardJob& input, RootServices& services, bool printNow)
{
    if (input.kind == ScorecardJob::Kind::Team) {
        auto team = std::make_unique<TeamScorecardWindow>();
        team->SetRootServices(&services);
        team->CreateInWidget(nullptr, kTeamScorecardViewId);
        team->setAttribute(Qt::WA_DontShowOnScreen, !printNow);
        team->BuildTeamScorecard(input.team, printNow);
        return team;
    }
    auto pair = std::make_unique<PairScorecardWindow>();
    pair->SetRootServices(&services);
    pair->CreateInWidget(nullptr, kPairScorecardViewId);
    pair->setAttribute(Qt::WA_DontShowOnScreen, !printNow);
    pair->BuildPairScorecard(input.pair, printNow);
    return pair;
}

// The progress of a batch on standard error, one line rewritten in place,
// shown only to a person at a terminal: a script or a test reading standard
// error gets the one error line and nothing else.
class ProgressLine {
public:
    explicit ProgressLine(size_t total) : total_(total), shown_(isatty(STDERR_FILENO) == 1) {}
    ~ProgressLine() { Clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(size_t done, const std::string& name)
    {
        if (!shown_)
            return;
        const std::string count = std::to_string(total_);
        std::string number = std::to_string(done);
        number.insert(0, count.size() - std::min(count.size(), number.size()), ' ');
        Write("  " + number + "/" + count + " scorecards  " + name);
    }
    // Ends the line with the summary, so the terminal keeps it.
    void Finish(const std::string& summary)
    {
        if (!shown_)
            return;
        Write("  " + summary);
        std::fputs("\n", stderr);
        width_ = 0;
    }
    // Wipes the line (before an error line takes its place).
    void Clear()
    {
        if (!shown_ || width_ == 0)
            return;
        std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
        std::fflush(stderr);
        width_ = 0;
    }

private:
    void Write(const std::string& text)
    {
        // Spaces cover whatever a longer previous line left behind.
        const size_t pad = width_ > text.size() ? width_ - text.size() : 0;
        std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
        std::fflush(stderr);
        width_ = std::max(width_, text.size());
    }

    size_t total_;
    bool shown_;
    size_t width_ = 0;
};

std::string BaseName(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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

// The spool folder an id is looked up in.
std::string SpoolFolder(const RenderOptions& options)
{
    return options.spoolDir.empty() ? DataFolder() + "spool/" : options.spoolDir;
}

// The whole of a regular file; a missing or unreadable one fails with one
// line naming it.
bool ReadTextFile(const std::string& path, std::string& text, std::string& error)
{
    if (!CheckReadableFile(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool ReadJsonFile(const std::string& path, Json::Value& value, std::string& error)
{
    std::string text;
    if (!ReadTextFile(path, text, error))
        return false;
    if (!NumericJson::Parse(text, value)) {
        error = path + " is not JSON";
        return false;
    }
    return true;
}

bool LoadMessage(const std::string& path, ScorecardJob& input, std::string& error)
{
    Json::Value message;
    return ReadJsonFile(path, message, error) && ReadScorecard(message, path, input, error);
}

// A spool entry names its file by a path (anything that exists, or has a
// folder in it) or by its id, which is looked up in the spool folder and
// among the entries printed or discarded there.
bool FindSpooled(const RenderOptions& options, const std::string& spooled, std::string& path, std::string& error)
{
    path = spooled;
    if (KindOfPath(path) == PathKind::Missing && path.find('/') == std::string::npos) {
        const std::string folder = SpoolFolder(options);
        path = PrintSpool::FindEntryFile(folder, spooled);
        if (path.empty()) {
            error = "no spooled scorecard " + spooled + " in " + folder + " (nor in its done/ or discarded/)";
            return false;
        }
    }
    return true;
}

bool LoadEntry(const std::string& path, ScorecardJob& input, std::string& error)
{
    if (!CheckReadableFile(path, error))
        return false;
    const std::optional<SpoolEntry> entry = PrintSpool::ReadEntryFile(path, error);
    return entry && ReadScorecard(entry->message, path, input, error);
}

// A file found in a folder is a spool entry when it has the entry's
// "message" object and no message id of its own (a spool folder, or its
// done/, given whole); anything else is read as a message, which names what
// is wrong with it.
bool LoadFromFolder(const std::string& path, ScorecardJob& input, std::string& error)
{
    Json::Value root;
    if (!ReadJsonFile(path, root, error))
        return false;
    const Json::Value* message = root.isObject() ? NumericJson::Member(root, "message") : nullptr;
    if (message != nullptr && message->isObject() && NumericJson::Member(root, MsgKey::kId) == nullptr)
        return LoadEntry(path, input, error);
    return ReadScorecard(root, path, input, error);
}

// The files of a folder given to --message: its *.json files (not hidden
// ones, and not the spool's temporary files) in name order, which for a
// spool folder is the order the scorecards arrived in.
bool ListFolder(const std::string& folder, std::vector<ScorecardSource>& sources, std::string& error)
{
    std::vector<std::string> names;
    std::error_code failure;
    for (fs::directory_iterator it(folder, failure), end; !failure && it != end; it.increment(failure)) {
        const std::string name = it->path().filename().string();
        std::error_code ignored;
        if (name.size() > 5 && name[0] != '.' && name.ends_with(".json") && it->is_regular_file(ignored))
            names.push_back(name);
    }
    if (failure) {
        error = "cannot read the folder " + folder + ": " + failure.message();
        return false;
    }
    if (names.empty()) {
        error = "no scorecards in " + folder + ": it holds no *.json file";
        return false;
    }
    std::sort(names.begin(), names.end());
    const std::string prefix = folder.ends_with('/') ? folder : folder + "/";
    for (const std::string& name : names)
        sources.push_back({ScorecardSource::Kind::InFolder, prefix + name});
    return true;
}

// The entries a print journal says were spooled ("spooled" events, the id
// under "spool"), in the journal's order. An id already taken from a journal
// is skipped: a scorecard goes into the binder once. An id no longer in the
// spool is an error rather than a gap: a binder that silently lacks a
// scorecard is worse than one that is not printed yet.
bool ListJournal(const RenderOptions& options, const std::string& journal, std::set<std::string>& seen,
                 std::vector<ScorecardSource>& sources, std::string& error)
{
    if (!CheckReadableFile(journal, error))
        return false;
    std::ifstream in(journal, std::ios::binary);
    if (!in) {
        error = "cannot read " + journal + ": " + std::strerror(errno);
        return false;
    }
    const std::string folder = SpoolFolder(options);
    size_t spooled = 0;
    std::string line;
    for (size_t number = 1; std::getline(in, line); ++number) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::string where = journal + " line " + std::to_string(number);
        Json::Value event;
        if (!NumericJson::Parse(line, event) || !event.isObject()) {
            error = where + " is not a journal line (a JSON object)";
            return false;
        }
        if (NumericJson::ReadText(event, "event") != JournalEvent::kSpooled)
            continue;
        ++spooled;
        const std::string id = NumericJson::ReadText(event, "spool");
        if (id.empty()) {
            error = where + ": a \"spooled\" event without its \"spool\" id";
            return false;
        }
        if (!seen.insert(id).second)
            continue;
        const std::string path = PrintSpool::FindEntryFile(folder, id);
        if (path.empty()) {
            error =
                "no spooled scorecard " + id + " in " + folder + " (nor in its done/ or discarded/), named in " + where;
            return false;
        }
        sources.push_back({ScorecardSource::Kind::Entry, path});
    }
    if (in.bad()) {
        error = "cannot read " + journal + ": " + std::strerror(errno);
        return false;
    }
    if (spooled == 0) {
        error = "no scorecards in " + journal + ": the journal has no \"spooled\" event";
        return false;
    }
    return true;
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
           "                           | --pbn HANDS.pbn [--boards LIST] [--per-page 16|8|4] [--paper a4|letter])\n"
           "                          [--pdf OUT.pdf] [--png OUT.png] [--dpi N] [--lang zh|en] [--event TEXT]\n"
           "       bridgeprint-render SCORECARDS... --pdf OUT.pdf [--spool-dir DIR] [--lang zh|en] [--event TEXT]\n"
           "         SCORECARDS: --message FILE|FOLDER, --spooled ENTRY, --journal FILE, each as often as wanted\n"
           "\n"
           "Prints a scorecard exactly as the kiosk prints it (same layout, same print job), into a\n"
           "PDF file and/or a PNG picture of its first page. Several scorecards print into one PDF,\n"
           "one after another in the order given: a binder of a session. No display, printer or\n"
           "scoring server is needed.\n"
           "\n"
           "  --test-page       the built-in test page (a six-board team match); prints alone\n"
           "  --message FILE    a scorecard message as the scoring server sends it: a JSON object\n"
           "                    with \"pub_MsgID\" 207 (team) or 208 (pair or individual)\n"
           "  --message FOLDER  every *.json file in the folder, in name order: messages, or spool\n"
           "                    entries (a spool folder or its done/ given whole)\n"
           "  --spooled ENTRY   a scorecard the kiosk kept in its print spool: the entry's file, or\n"
           "                    its id (such as 20261210-153003-000001), looked up in the spool\n"
           "                    folder and among the entries printed (done/) or discarded there\n"
           "  --pbn FILE        hand records: every deal of a PBN file, sixteen to a page, with\n"
           "                    dealer, vulnerability, high-card points, the auction when the file\n"
           "                    has one, the double-dummy trick table (from the file's\n"
           "                    DoubleDummyTricks, OptimumResultTable or Ability, else worked out)\n"
           "                    and the par of each deal; the title from the Event, Site and Date\n"
           "                    tags, or the %HRTitleEvent, %HRTitleSite and %HRTitleDate lines;\n"
           "                    the file in UTF-8, ISO-8859-1 or windows-1252 (as it declares with\n"
           "                    %Content-type ... charset=; undeclared, UTF-8 when it reads as\n"
           "                    UTF-8, else ISO-8859-1); ten to thirteen tricks in digits;\n"
           "                    prints alone\n"
           "  --boards LIST     hand records: only these boards, in the file's order: numbers and\n"
           "                    ranges, as 1-16,20 (a board named alone must be in the file)\n"
           "  --per-page N      hand records: 16 (the default), 8 or 4 deals a page, drawn larger\n"
           "  --paper a4|letter hand records: the paper (default a4); on Letter the page is drawn\n"
           "                    at 94 %, not stretched. Scorecards are laid out on A4; the kiosk\n"
           "                    fits that page to the paper of its printer\n"
           "  --journal FILE    every scorecard the kiosk's print journal (print-journal.jsonl)\n"
           "                    says was spooled, in the journal's order, each once, looked up by\n"
           "                    its id like --spooled; an id no longer kept there is an error. Give\n"
           "                    the older journal (print-journal.jsonl.1) first to go further back\n"
           "  --spool-dir DIR   the spool folder for an id (default: spool/ in the kiosk's data\n"
           "                    folder, ztxt/ beside the program)\n"
           "  --pdf FILE        write every page to this PDF file (A4 portrait, or Letter with\n"
           "                    --paper letter)\n"
           "  --png FILE        write the first page to this PNG picture (one scorecard only)\n"
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
           "Every scorecard of a batch is read and checked before the first is painted; on a\n"
           "terminal a progress line shows the scorecard being printed.\n"
           "\n"
           "examples:\n"
           "  bridgeprint-render --test-page --pdf test-page.pdf\n"
           "  bridgeprint-render --message team-7.json --pdf team-7.pdf --png team-7.png --dpi 100\n"
           "  bridgeprint-render --spooled 20261210-153003-000001 --pdf reprint.pdf\n"
           "  bridgeprint-render --pbn session-2.pbn --pdf hand-records.pdf\n"
           "  bridgeprint-render --pbn week.pbn --boards 1-16 --per-page 4 --paper letter --pdf wall.pdf\n"
           "  bridgeprint-render --journal ztxt/print-journal.jsonl --pdf session.pdf\n"
           "  bridgeprint-render --message team-1.json --message round-2/ --spooled 20261210-153003-000001 \\\n"
           "                     --pdf binder.pdf\n";
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
        const bool takesValue = arg == "--message" || arg == "--pbn" || arg == "--spooled" || arg == "--journal" ||
                                arg == "--spool-dir" || arg == "--pdf" || arg == "--png" || arg == "--dpi" ||
                                arg == "--lang" || arg == "--event" || arg == "--boards" || arg == "--per-page" ||
                                arg == "--paper";
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
            options.inputs.push_back({RenderInput::Kind::Message, value});
        } else if (arg == "--pbn") {
            options.pbnPath = value;
        } else if (arg == "--boards") {
            options.boards = value;
        } else if (arg == "--per-page") {
            if (value != "16" && value != "8" && value != "4") {
                error = "--per-page takes 16, 8 or 4, not " + value;
                return false;
            }
            options.perPage = std::stoi(value);
        } else if (arg == "--paper") {
            if (value != "a4" && value != "letter") {
                error = "--paper takes a4 or letter, not " + value;
                return false;
            }
            options.letter = value == "letter";
        } else if (arg == "--spooled") {
            options.inputs.push_back({RenderInput::Kind::Spooled, value});
        } else if (arg == "--journal") {
            options.inputs.push_back({RenderInput::Kind::Journal, value});
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
    // Scorecards of every kind mix in one binder; the test page prints alone.
    auto given = [&](RenderInput::Kind kind) {
        return std::any_of(options.inputs.begin(), options.inputs.end(),
                           [kind](const RenderInput& input) { return input.kind == kind; });
    };
    std::vector<std::string> kinds;
    if (given(RenderInput::Kind::Message))
        kinds.push_back("--message");
    if (given(RenderInput::Kind::Spooled))
        kinds.push_back("--spooled");
    if (given(RenderInput::Kind::Journal))
        kinds.push_back("--journal");
    if (!options.testPage && kinds.empty() && options.pbnPath.empty()) {
        error = "nothing to print: give --test-page, --message FILE, --spooled ENTRY or --pbn FILE (see --help)";
        return false;
    }
    // Hand records, like the test page, print alone.
    if (!options.pbnPath.empty() && (options.testPage || !kinds.empty())) {
        if (options.testPage + kinds.size() == 1)
            error = "give either " + (options.testPage ? std::string("--test-page") : kinds[0]) + " or --pbn, not both";
        else
            error = "--pbn prints alone, without --test-page, --message, --spooled or --journal";
        return false;
    }
    // How hand records are printed means nothing to a scorecard.
    const bool handRecordForm = !options.boards.empty() || options.perPage != 16 || options.letter;
    if (handRecordForm && options.pbnPath.empty()) {
        error = "--boards, --per-page and --paper are for hand records (--pbn)";
        return false;
    }
    if (options.testPage && kinds.size() == 1) {
        error = "give either --test-page or " + kinds[0] + ", not both";
        return false;
    }
    if (options.testPage && !kinds.empty()) {
        error = "--test-page prints alone, without --message, --spooled or --journal";
        return false;
    }
    if (!options.spoolDir.empty() && !given(RenderInput::Kind::Spooled) && !given(RenderInput::Kind::Journal)) {
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
    if (!options.pngPath.empty() && options.inputs.size() > 1) {
        error = kPngTakesOne;
        return false;
    }
    return true;
}

bool ListScorecards(const RenderOptions& options, std::vector<ScorecardSource>& sources, std::string& error)
{
    sources.clear();
    if (!CheckOutputFolder("--pdf", options.pdfPath, error) || !CheckOutputFolder("--png", options.pngPath, error))
        return false;
    std::set<std::string> journalIds;
    for (const RenderInput& input : options.inputs) {
        switch (input.kind) {
        case RenderInput::Kind::Message:
            // A folder gives its files; anything else is read as a message
            // file, which says what is wrong with it.
            if (std::error_code ignored; fs::is_directory(input.value, ignored)) {
                if (!ListFolder(input.value, sources, error))
                    return false;
            } else {
                sources.push_back({ScorecardSource::Kind::Message, input.value});
            }
            break;
        case RenderInput::Kind::Spooled: {
            std::string path;
            if (!FindSpooled(options, input.value, path, error))
                return false;
            sources.push_back({ScorecardSource::Kind::Entry, path});
            break;
        }
        case RenderInput::Kind::Journal:
            if (!ListJournal(options, input.value, journalIds, sources, error))
                return false;
            break;
        }
    }
    if (!options.pngPath.empty() && sources.size() > 1) {
        error = std::string(kPngTakesOne) + " (the inputs hold " + std::to_string(sources.size()) + ")";
        return false;
    }
    return true;
}

bool LoadScorecard(const ScorecardSource& source, ScorecardJob& input, std::string& error)
{
    switch (source.kind) {
    case ScorecardSource::Kind::Entry: return LoadEntry(source.path, input, error);
    case ScorecardSource::Kind::InFolder: return LoadFromFolder(source.path, input, error);
    case ScorecardSource::Kind::Message: break;
    }
    return LoadMessage(source.path, input, error);
}

bool LoadRenderInput(const RenderOptions& options, const std::vector<ScorecardSource>& sources, ScorecardJob& input,
                     std::string& error)
{
    if (!options.testPage)
        return !sources.empty() && LoadScorecard(sources.front(), input, error);
    input.kind = ScorecardJob::Kind::Team;
    input.team = MakeTestPageJob();
    return true;
}

namespace {

// Makes the view of one input on the renderer's root services; with
// `printNow` it prints at once through the print job, as the kiosk does.
using MakeView = std::function<std::unique_ptr<PageView>(RootServices& services, bool printNow)>;

// One view printed to the PDF file (when wanted) and its first page drawn as
// the picture (when wanted). The outputs appear only when everything
// succeeded; otherwise `error` names the problem and the PendingOutputs
// remove whatever was written.
bool RenderOneView(const RenderOptions& options, const MakeView& makeView, std::string& error)
{
    HeadlessUi ui;
    SetUiSeam(&ui);
    RendererServices services(options.lang.value_or(DefaultLanguageForCodePage(OemCodePage())), options.eventText);
    PendingOutput pdf(options.pdfPath);
    PendingOutput png(options.pngPath);
    // Letter (hand records only): the page is fitted to it (HandRecordView
    // keeps its proportions there).
    PdfFilePrintSystem printSystem(pdf.TempPath(), options.letter ? 2159 : 2100, options.letter ? 2794 : 2970);
    PrintJob printJob(printSystem);
    services.SetPrinter(&printJob);

    // For a picture alone the view is only laid out.
    std::unique_ptr<PageView> view = makeView(services, pdf.Wanted());

    bool ok = true;
    if (!ui.messages.empty()) {
        error = "cannot print to " + options.pdfPath + ": " + ui.messages.front();
        ok = false;
    } else if (pdf.Wanted() && !pdf.Written()) {
        error = "cannot write " + options.pdfPath;
        ok = false;
    } else if (png.Wanted() &&
               !RenderPageImage(*view, 1, options.dpi).save(QString::fromStdString(png.TempPath()), "PNG")) {
        error = "cannot write " + options.pngPath;
        ok = false;
    }
    ok = ok && (!pdf.Wanted() || pdf.Commit(error)) && (!png.Wanted() || png.Commit(error));

    view.reset();
    SetUiSeam(nullptr);
    return ok;
}

} // namespace

bool RenderScorecard(const RenderOptions& options, const ScorecardJob& input, std::string& error)
{
    return RenderOneView(
        options, [&](RootServices& services, bool printNow) { return BuildView(input, services, printNow); }, error);
}

bool RenderScorecards(const RenderOptions& options, const std::vector<ScorecardSource>& sources, std::string& error)
{
    HeadlessUi ui;
    SetUiSeam(&ui);
    RendererServices services(options.lang.value_or(DefaultLanguageForCodePage(OemCodePage())), options.eventText);
    PendingOutput pdf(options.pdfPath);
    PdfFilePrintSystem printSystem(pdf.TempPath());
    const PrintJob printJob(printSystem);
    ProgressLine progress(sources.size());

    // One job on the printer the print job would choose, painted page by page
    // as the print job paints a scorecard, so the binder's pages are the
    // pages a player gets. Scorecards are always portrait.
    bool ok = true;
    std::unique_ptr<PrintDocument> doc;
    PaperMapping paper;
    if (const std::optional<PrintDialogAnswer> answer = printSystem.RunPrintDialog(0, PrinterChoice(), PrintDialogContext())) {
        PrinterChoice choice = answer->choice;
        choice.setup.landscape = false;
        paper = MapPaperToA4(choice.setup.paperWidth, choice.setup.paperLength);
        doc = printSystem.OpenPrinter(choice);
    }
    if (!doc) {
        error = "cannot write " + options.pdfPath;
        ok = false;
    } else {
        doc->StartDoc(PrintJobName(printJob.NextJobNumber()));
    }

    size_t pages = 0;
    for (size_t i = 0; ok && i < sources.size(); ++i) {
        const ScorecardSource& source = sources[i];
        progress.Show(i + 1, BaseName(source.path));
        ScorecardJob input;
        if (!LoadScorecard(source, input, error)) {
            ok = false;
            break;
        }
        std::unique_ptr<ScorecardWindow> view = BuildView(input, services, false);
        const int32_t count = view->GetPageCount();
        for (int32_t p = 1; p <= count; ++p) {
            PaintPrintedPage(*view, doc->StartPage(), p, doc->DpiX(), doc->DpiY(), paper.windowExt);
            doc->EndPage();
        }
        pages += static_cast<size_t>(count);
        if (!ui.messages.empty()) {
            error = "cannot print " + source.path + ": " + ui.messages.front();
            ok = false;
        }
    }
    if (doc) {
        const PrintOutcome outcome = doc->EndDoc();
        if (ok && outcome.status == PrintOutcome::Status::Failed) {
            error = "cannot write " + options.pdfPath + ": " + outcome.error;
            ok = false;
        }
    }
    if (ok && !pdf.Written()) {
        error = "cannot write " + options.pdfPath;
        ok = false;
    }
    if (ok)
        ok = pdf.Commit(error);
    if (ok)
        progress.Finish(std::to_string(sources.size()) + " scorecards, " + std::to_string(pages) +
                        " pages: " + options.pdfPath);
    else
        progress.Clear();

    SetUiSeam(nullptr);
    return ok;
}

namespace {

// A hand-record file larger than this is not a session's deals.
constexpr off_t kMaxPbnBytes = 64 * 1024 * 1024;

bool ReadPbnFile(const std::string& path, std::string& text, std::string& error)
{
    struct stat st {};
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kMaxPbnBytes) {
        error = path + " is larger than 64 MiB; not a file of hand records";
        return false;
    }
    return ReadTextFile(path, text, error);
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
    // Only the boards asked for are solved.
    if (!options.boards.empty() && !SelectHandRecordBoards(input.file, options.boards, error)) {
        error = options.pbnPath + ": " + error;
        return false;
    }
    // The boards without a table from the file are solved, a page of them
    // per call of the solver, spread over the cores; every board gets its
    // par. Solving takes a few tenths of a second a board: on a terminal a
    // line shows how far it is, rewritten after each call and cleared at the
    // end.
    std::vector<DealToAnalyse> deals;
    size_t unsolved = 0;
    for (const HandRecordBoard& board : input.file.boards) {
        deals.push_back({&board.deal, board.dealer, board.vulnerability, board.deal.GetTrickTexts()});
        unsolved += board.tricksFromFile ? 0 : 1;
    }
    SolveOptions solving;
    const bool onTerminal = isatty(STDERR_FILENO) == 1 && unsolved > 0;
    if (onTerminal) {
        solving.progress = [](size_t solved, size_t total) {
            std::fprintf(stderr, "\rsolving double-dummy tables: %zu/%zu boards", solved, total);
            std::fflush(stderr);
        };
        solving.progress(0, unsolved);
    }
    std::vector<DealAnalysis> analyses;
    const bool analysed = AnalyseDeals(deals, analyses, error, solving);
    if (onTerminal)
        std::fprintf(stderr, "\r\033[K");
    if (!analysed) {
        error = options.pbnPath + ": " + error;
        return false;
    }
    input.pars.clear();
    for (size_t i = 0; i < input.file.boards.size(); ++i) {
        input.file.boards[i].deal.SetTrickTexts(TrickTableText(analyses[i].tricks));
        input.pars.push_back(BoardPar{true, analyses[i].par.score, JoinedContracts(analyses[i].par.contracts)});
    }
    return true;
}

bool RenderHandRecords(const RenderOptions& options, const HandRecordInput& input, std::string& error)
{
    return RenderOneView(
        options,
        [&](RootServices& services, bool printNow) {
            auto view = std::make_unique<HandRecordView>();
            view->SetRootServices(&services);
            view->CreateInWidget(nullptr, kHandRecordViewId);
            view->SetDealsPerPage(options.perPage);
            view->SetHandRecords(input.file, input.pars);
            if (printNow)
                view->Print(1, PrintMode::OnChosen);
            return std::unique_ptr<PageView>(std::move(view));
        },
        error);
}
