// bridgeprint-render run as a program: the PDFs it writes are read back with
// pdfinfo and pdftotext, the pictures by their PNG header, and every bad
// input must end with one line on stderr, a non-zero status and no file.

#include "foundation/NumericJson.h"
#include "foundation/Product.h"
#include "print/PrintSpool.h"
#include "scorecard/ScorecardRecords.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kRenderer = std::string(BP_BINARY_DIR) + "/apps/bridgeprint-render/bridgeprint-render";
const std::string kFixtures = std::string(BP_SOURCE_DIR) + "/tests/e2e/fixtures/";

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

class RendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fs::exists(kRenderer)) << kRenderer << " is not built";
        ASSERT_TRUE(temp.Valid());
    }

    // Runs the renderer (or a copy of it) in the test's folder, without a
    // display, bounded in time.
    RunResult Render(const std::vector<std::string>& args, const std::string& extraEnv = "",
                     const std::string& program = kRenderer)
    {
        std::string cmd = "cd " + Quote(dir.string()) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                          extraEnv + " timeout 120 " + Quote(program);
        for (const std::string& a : args)
            cmd += " " + Quote(a);
        cmd += " > out.txt 2> err.txt";
        RunResult r;
        const int raw = std::system(cmd.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(dir / "out.txt");
        r.err = ReadFile(dir / "err.txt");
        fs::remove(dir / "out.txt");
        fs::remove(dir / "err.txt");
        return r;
    }

    std::string Tool(const std::string& command)
    {
        const fs::path out = dir / "tool.txt";
        const int raw = std::system((command + " > " + Quote(out.string()) + " 2>/dev/null").c_str());
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << command;
        std::string text = ReadFile(out);
        fs::remove(out);
        return text;
    }
    std::string PdfInfo(const std::string& name) { return Tool("pdfinfo " + Quote((dir / name).string())); }
    std::string PdfText(const std::string& name, int page = 0)
    {
        const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
        return Tool("pdftotext" + pages + " -layout " + Quote((dir / name).string()) + " -");
    }
    int Pages(const std::string& name)
    {
        const std::string info = PdfInfo(name);
        const size_t at = info.find("Pages:");
        return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
    }
    std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        return names;
    }
    void Write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }

    // A fixture with its home team renamed, so that each scorecard of a batch
    // can be told apart on paper.
    std::string Renamed(const char* fixture, const std::string& from, const std::string& to)
    {
        std::string text = ReadFile(kFixtures + fixture);
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    }
    std::string Team(const std::string& name) { return Renamed("team-16-boards.json", "12.星河队", name); }
    std::string Pair(const std::string& title) { return Renamed("pair-26-boards.json", "Spring Pairs Final", title); }

    // Where each of `names` first appears in the text; npos when missing.
    static std::vector<size_t> Positions(const std::string& text, const std::vector<std::string>& names)
    {
        std::vector<size_t> at;
        for (const std::string& name : names)
            at.push_back(text.find(name));
        return at;
    }
    // The names appear on paper in this order, each on the page given.
    void ExpectPagesInOrder(const std::string& pdf, const std::vector<std::pair<std::string, int>>& expected)
    {
        int last = 0;
        for (const auto& [name, page] : expected) {
            EXPECT_GE(page, last) << name;
            last = page;
            EXPECT_NE(PdfText(pdf, page).find(name), std::string::npos) << name << " not on page " << page;
        }
        std::vector<std::string> names;
        for (const auto& e : expected)
            names.push_back(e.first);
        const std::vector<size_t> at = Positions(PdfText(pdf), names);
        EXPECT_TRUE(std::find(at.begin(), at.end(), std::string::npos) == at.end());
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << "scorecards out of order";
    }
    // The file names under the test's folder, its subfolders included.
    std::vector<std::string> AllFiles()
    {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            names.push_back(fs::relative(e.path(), dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A journal line as the kiosk writes it.
    static std::string JournalLine(const std::string& event, const std::string& spoolId = "")
    {
        std::string line =
            R"({"entry":"A 1","event":")" + event + R"(","section":1,"team":1,"time":"2026-12-10T15:30:03.000+08:00")";
        if (!spoolId.empty())
            line += R"(,"spool":")" + spoolId + "\"";
        return line + "}\n";
    }

    TempDir temp{"bp-render"};
    const fs::path dir = temp.Path();
};

} // namespace

TEST_F(RendererTest, TestPageIsOneA4PortraitPageInChinese)
{
    const RunResult r = Render({"--test-page", "--pdf", "test.pdf", "--lang", "zh"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string info = PdfInfo("test.pdf");
    EXPECT_EQ(Pages("test.pdf"), 1);
    EXPECT_NE(info.find("595 x 842 pts (A4)"), std::string::npos) << info;
    EXPECT_NE(info.find("qivBridge print doc 1"), std::string::npos) << info;

    const std::string text = PdfText("test.pdf");
    EXPECT_NE(text.find("春季桥牌公开赛 A 1轮 3桌 记分表 (Page1/1)"), std::string::npos) << text;
    EXPECT_NE(text.find("3.晨星队 vs 8.远航队"), std::string::npos);
    for (const char* heading : {"开室", "闭室", "主队", "客队", "定约", "首攻", "分差", "imp"})
        EXPECT_NE(text.find(heading), std::string::npos) << heading;
    for (const char* contract : {"2NTX-1", "3S+1", "4H+1", "3H+1", "4S=", "2S+2", "3NT-1", "2NT=", "3NT+2", "1NT+2", "3NT="})
        EXPECT_NE(text.find(contract), std::string::npos) << contract;
    EXPECT_EQ(Count(text, "Dlr:"), 6u);
    EXPECT_NE(text.find("Dlr:北"), std::string::npos);
    for (const char* total : {"IMP", "23", "28", "VP", "7.67", "12.33"})
        EXPECT_NE(text.find(total), std::string::npos) << total;
    for (const char* player : {"李明远", "王书涵", "周志强", "吴佳怡", "郑浩然", "孙一鸣", "陈晓雯", "林子健"})
        EXPECT_NE(text.find(player), std::string::npos) << player;
    EXPECT_EQ(Files(), std::vector<std::string>{"test.pdf"});
}

TEST_F(RendererTest, TestPageInEnglish)
{
    // "--lang=en" and "--lang en" are the same request.
    const RunResult joined = Render({"--test-page", "--lang=en", "--pdf=joined.pdf"});
    ASSERT_EQ(joined.status, 0) << joined.err;
    EXPECT_NE(PdfText("joined.pdf").find("Dlr:North"), std::string::npos);
    const RunResult r = Render({"--test-page", "--lang", "en", "--pdf", "test.pdf"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pages("test.pdf"), 1);
    const std::string text = PdfText("test.pdf");
    EXPECT_NE(text.find("春季桥牌公开赛 A 1轮 3桌 Scorecard[cn:记分表] (Page1/1)"), std::string::npos) << text;
    EXPECT_NE(text.find(" vs "), std::string::npos);
    for (const char* word : {"Open", "Closed", "Home", "Away", "Contract", "Lead", "Diff.", "Dlr:North", "Dlr:West"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    EXPECT_EQ(Count(text, "Dlr:"), 6u);
}

TEST_F(RendererTest, PairMessageOf26BoardsPrintsTwoNumberedPagesAndTheStamp)
{
    const RunResult r = Render({"--message", kFixtures + "pair-26-boards.json", "--pdf", "pair.pdf", "--lang", "en",
                          "--event", "Spring Festival"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Pages("pair.pdf"), 2);
    const std::string one = PdfText("pair.pdf", 1);
    const std::string two = PdfText("pair.pdf", 2);
    EXPECT_NE(one.find("Spring Pairs Final (1)"), std::string::npos) << one;
    EXPECT_NE(two.find("Spring Pairs Final (2)"), std::string::npos) << two;
    EXPECT_NE(one.find(" Scorecard[cn:记分表] (Page1/2)"), std::string::npos);
    for (const std::string* page : {&one, &two})
        EXPECT_NE(page->find("NS players"), std::string::npos);
    // No diagrams for more than sixteen deals; the stamp closes the last page.
    EXPECT_EQ(Count(one + two, "Dlr:"), 0u);
    EXPECT_NE(two.find("Quorvane - Spring Festival"), std::string::npos) << two;
}

TEST_F(RendererTest, TeamMessageOf16DealsFitsOnePage)
{
    const RunResult r = Render({"--message", kFixtures + "team-16-boards.json", "--pdf", "team.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pages("team.pdf"), 1);
    const std::string text = PdfText("team.pdf");
    EXPECT_EQ(Count(text, "Dlr:"), 16u);
    EXPECT_NE(text.find("12.星河队 vs 7.长风队"), std::string::npos);
}

TEST_F(RendererTest, PictureOfTheFirstPageAtTheChosenResolution)
{
    const RunResult r = Render({"--test-page", "--png", "page.png", "--dpi", "50"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = ReadFile(dir / "page.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto be32 = [&](size_t at) {
        return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
               (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
    };
    EXPECT_EQ(be32(16), 413u); // 21 cm at 50 dpi
    EXPECT_EQ(be32(20), 585u); // 29.7 cm
    EXPECT_EQ(Files(), std::vector<std::string>{"page.png"});

    // Both outputs at once.
    const RunResult both = Render({"--test-page", "--png", "both.png", "--pdf", "both.pdf", "--dpi", "40"});
    ASSERT_EQ(both.status, 0) << both.err;
    EXPECT_TRUE(fs::exists(dir / "both.png"));
    EXPECT_EQ(Pages("both.pdf"), 1);
}

TEST_F(RendererTest, PartlyFilledMessagesStillPrint)
{
    Write("team.json", R"({"pub_MsgID":207,"66":{"_L":[{"1":1}]}})");
    Write("pair.json", R"({"pub_MsgID":208,"66":{"_L":[{"11":4,"3":"3NT"}]},"87":"Pairs"})");
    const RunResult team = Render({"--message", "team.json", "--pdf", "team.pdf"});
    ASSERT_EQ(team.status, 0) << team.err;
    EXPECT_EQ(Pages("team.pdf"), 1);
    const RunResult pair = Render({"--message", "pair.json", "--pdf", "pair.pdf"});
    ASSERT_EQ(pair.status, 0) << pair.err;
    EXPECT_EQ(Pages("pair.pdf"), 1);
    EXPECT_NE(PdfText("pair.pdf").find("3NT"), std::string::npos);
}

TEST_F(RendererTest, SpooledScorecardsPrintByTheirFileOrTheirId)
{
    // The spool as the kiosk keeps it: a team scorecard waiting to be
    // printed and a pair scorecard already printed.
    const std::string spoolDir = (dir / "spool").string();
    PrintSpool spool(spoolDir + "/");
    auto add = [&](const char* fixture, int32_t msgId, const char* label) {
        Json::Value message;
        EXPECT_TRUE(NumericJson::Parse(ReadFile(kFixtures + fixture), message)) << fixture;
        std::string error;
        const std::optional<SpoolEntry> entry = spool.Add(msgId, 1, 12, label, message, error);
        EXPECT_TRUE(entry.has_value()) << error;
        return entry ? entry->id : std::string();
    };
    const std::string team = add("team-16-boards.json", 207, "A 12");
    const std::string pair = add("pair-26-boards.json", 208, "B 5");
    ASSERT_TRUE(spool.MarkPrinted(pair));

    const struct {
        const char* name;
        std::vector<std::string> args;
        int pages;
        std::string text;
    } cases[] = {
        {"the entry's file", {"--spooled", spoolDir + "/" + team + ".json"}, 1, "12.星河队 vs 7.长风队"},
        {"an id in the spool", {"--spooled", team, "--spool-dir", spoolDir}, 1, "12.星河队 vs 7.长风队"},
        {"an id among the printed", {"--spooled", pair, "--spool-dir", spoolDir + "/"}, 2, "Spring Pairs Final (1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--pdf", "out.pdf", "--lang", "en"});
        const RunResult r = Render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Pages("out.pdf"), c.pages);
        const std::string text = PdfText("out.pdf");
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        fs::remove(dir / "out.pdf");
    }
    // Reading an entry leaves the spool as it was.
    EXPECT_EQ(spool.PendingCount(), 1u);
}

TEST_F(RendererTest, BadInputsEndWithOneLineAndLeaveNoFile)
{
    const std::string notScorecard = "20261210-153003-000009.json";
    Write("text.json", "this is not JSON");
    Write("array.json", "[207]");
    Write("signup.json", R"({"pub_MsgID":203,"85":{}})");
    Write("noid.json", R"({"66":{"_L":[]}})");
    Write("quoted-id.json", R"({"pub_MsgID":"207","66":{"_L":[{"1":1}]}})");
    Write("team-empty.json", R"({"pub_MsgID":207,"66":{"1":"1.A","2":"2.B"}})");
    Write("pair-empty.json", R"({"pub_MsgID":208,"66":{"_L":[]}})");
    Write(notScorecard, R"({"id":"20261210-153003-000009","message":{"pub_MsgID":203}})");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--message", "missing.json", "--pdf", "out.pdf"}, "cannot read missing.json: no such file"},
        {{"--message", "/dev/null", "--pdf", "out.pdf"}, "cannot read /dev/null: not a file"},
        {{"--message", "text.json", "--pdf", "out.pdf", "--png", "out.png"}, "text.json is not JSON"},
        {{"--message", "array.json", "--pdf", "out.pdf"}, "array.json is not a JSON object"},
        {{"--message", "signup.json", "--pdf", "out.pdf"}, "holds message 203, not a scorecard message"},
        {{"--message", "noid.json", "--pdf", "out.pdf"}, "has no message id"},
        {{"--test-page", "--pdf", "no-such-folder/out.pdf"},
         "cannot write no-such-folder/out.pdf (--pdf): the folder no-such-folder does not exist"},
        {{"--test-page", "--png", "text.json/out.png"},
         "cannot write text.json/out.png (--png): text.json is not a folder"},
        {{"--message", "quoted-id.json", "--pdf", "out.pdf"},
         "quoted-id.json: \"pub_MsgID\" must be a number (207 team or 208 pair/individual), not the text \"207\""},
        {{"--message", "team-empty.json", "--pdf", "out.pdf"}, "team-empty.json lists no boards"},
        {{"--message", "pair-empty.json", "--pdf", "out.pdf"}, "pair-empty.json lists no boards"},
        {{"--test-page", "--pdf", "out.pdf", "--lang=fr"}, "--lang takes zh or en, not fr"},
        {{"--test-page=yes", "--pdf", "out.pdf"}, "--test-page takes no value"},
        {{"--test-page"}, "no output"},
        {{"--pdf", "out.pdf"}, "nothing to print"},
        {{"--spooled", "20261210-153003-000001", "--spool-dir", ".", "--pdf", "out.pdf"},
         "no spooled scorecard 20261210-153003-000001 in . (nor in its done/ or discarded/)"},
        {{"--spooled", "signup.json", "--pdf", "out.pdf"}, "signup.json is not a spool entry: no \"message\" object"},
        {{"--spooled", notScorecard, "--pdf", "out.pdf"}, notScorecard + " holds message 203, not a scorecard"},
        {{"--spooled", "no-such-folder/entry.json", "--pdf", "out.pdf"},
         "cannot read no-such-folder/entry.json: no such file"},
        {{"--test-page", "--message", "signup.json", "--pdf", "out.pdf"}, "not both"},
        {{"--message", "signup.json", "--spooled", notScorecard, "--pdf", "out.pdf"},
         "signup.json holds message 203, not a scorecard message"},
        {{"--test-page", "--spool-dir", ".", "--pdf", "out.pdf"}, "--spool-dir is used only with --spooled"},
        {{"--test-page", "--pdf", "out.pdf", "--lang", "fr"}, "--lang takes zh or en"},
        {{"--test-page", "--png", "out.png", "--dpi", "big"}, "--dpi needs a whole number"},
        {{"--test-page", "--pdf"}, "needs a value"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
    };
    const std::vector<std::string> inputs = {notScorecard,   "array.json",      "noid.json",
                                             "pair-empty.json", "quoted-id.json", "signup.json",
                                             "team-empty.json", "text.json"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult r = Render(c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("bridgeprint-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        std::vector<std::string> files = Files();
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, inputs) << "an output or a partial file was left behind";
    }
}

TEST_F(RendererTest, AScorecardWithAListOverItsCapIsRefusedWithItsReason)
{
    // The totals text of a frame that once froze the kiosk: a million ";".
    Write("totals.json", R"({"pub_MsgID":207,"66":{"1":"3.Dragons","31":")" + std::string(1000000, ';') + R"("}})");
    std::string boards;
    for (size_t i = 0; i <= kMaxScorecardBoards; ++i)
        boards += (i > 0 ? "," : "") + std::string(R"({"11":)") + std::to_string(i + 1) + "}";
    Write("boards.json", R"({"pub_MsgID":208,"66":{"_L":[)" + boards + "]}}");
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"totals.json", "totals.json is refused: the totals lines of the team scorecard number 1000000, more "
                        "than the " +
                            std::to_string(kMaxTotalsLines) + " accepted"},
        {"boards.json", "boards.json is refused: the boards of the pair scorecard number " +
                            std::to_string(kMaxScorecardBoards + 1) + ", more than the " +
                            std::to_string(kMaxScorecardBoards) + " accepted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const RunResult r = Render({"--message", c.file, "--pdf", "out.pdf"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "bridgeprint-render: " + c.message + "\n");
        EXPECT_FALSE(fs::exists(dir / "out.pdf"));
    }

    // At the cap the totals print: every line is a row of the scorecard. A
    // megabyte of team name, which no list cap covers, only makes the name
    // too small to see.
    std::string totals;
    for (size_t i = 0; i < kMaxTotalsLines; ++i)
        totals += (i > 0 ? ";" : "") + std::string("T") + std::to_string(i) + ",1,2";
    Write("at-cap.json", R"({"pub_MsgID":207,"66":{"1":"3.)" + std::string(1000000, 'W') + R"(","31":")" + totals +
                             R"(","_L":[{"1":1}]}})");
    const RunResult r = Render({"--message", "at-cap.json", "--pdf", "out.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = PdfText("out.pdf");
    EXPECT_NE(text.find("T0"), std::string::npos);
    EXPECT_NE(text.find("T" + std::to_string(kMaxTotalsLines - 1)), std::string::npos);
}

TEST_F(RendererTest, HelpExplainsTheCommand)
{
    const RunResult r = Render({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    for (const char* part :
         {"usage: bridgeprint-render", "--test-page", "--message", "--spooled", "--spool-dir", "--journal", "FOLDER",
          "--pdf", "--png", "--dpi", "--lang", "--event", "--version", "207", "208"})
        EXPECT_NE(r.out.find(part), std::string::npos) << part;
}

TEST_F(RendererTest, VersionIsOneLineAndWritesNothing)
{
    const RunResult r = Render({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, std::string("bridgeprint-render ") + kProgramVersion + "\n");
    EXPECT_TRUE(Files().empty());
}

TEST_F(RendererTest, APlatformTheCallerNamesIsKept)
{
    // Every other test runs without a display and without a platform, so the
    // program picks the offscreen one by itself. Here the caller names it
    // while a display that does not exist is set: the caller's choice wins.
    const RunResult r = Render({"--test-page", "--pdf", "p.pdf"}, "DISPLAY=:97 QT_QPA_PLATFORM=offscreen");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pages("p.pdf"), 1);
}

// The trick table rows of a page's text in reading order: a seat letter and
// the counts, spaces removed ("N0130130" for "N 0 13 0 13 0"; pdftotext
// spaces the digits of a row unevenly and puts the rows of diagrams side by
// side on one line). A table row's counts are digits only: a count written
// as a letter (a to d) ends the row there.
std::vector<std::string> TrickRows(const std::string& text)
{
    std::vector<std::string> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        for (size_t i = 0; i < line.size(); ++i) {
            if (std::string("NESW").find(line[i]) == std::string::npos || (i > 0 && line[i - 1] != ' '))
                continue;
            std::string row(1, line[i]);
            size_t j = i + 1;
            for (; j < line.size() && (line[j] == ' ' || std::isdigit(static_cast<unsigned char>(line[j]))); ++j)
                if (line[j] != ' ')
                    row += line[j];
            if (row.size() >= 6) {
                rows.push_back(row);
                i = j - 1;
            }
        }
    }
    return rows;
}

// A row as it reads ("N 0 13 0 13 0") in the form TrickRows gives.
std::string Row(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

TEST_F(RendererTest, HandRecordsSolveEachDealAndPrintItsTableAndPar)
{
    // Each hand holds one whole suit: the side holding the trumps takes all
    // thirteen tricks, every other contract none. Board 2 is the same deal
    // turned a quarter (East holds the spades), dealt by East with its own
    // auction.
    const RunResult r = Render({"--pbn", kFixtures + "one-suit-each.pbn", "--pdf", "hands.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Pages("hands.pdf"), 1);
    const std::string text = PdfText("hands.pdf");
    EXPECT_NE(text.find("Reasoned deals, Test table, 2026.12.11"), std::string::npos) << text;
    // Side by side on the page: board 1's row, then board 2's. Seats in the
    // table's order N S E W; strains C D H S NT; thirteen in digits, as hand
    // records print it (the server's "d").
    std::vector<std::string> expected;
    for (const char* row : {"N 0 13 0 13 0", "N 13 0 13 0 0", "S 0 13 0 13 0", "S 13 0 13 0 0", "E 13 0 13 0 0",
                            "E 0 13 0 13 0", "W 13 0 13 0 0", "W 0 13 0 13 0"})
        expected.push_back(Row(row));
    EXPECT_EQ(TrickRows(text), expected) << text;
    EXPECT_NE(text.find("Par NS +1510: 7S NS"), std::string::npos) << text;
    EXPECT_NE(text.find("Par EW +1510: 7S EW"), std::string::npos) << text;
    EXPECT_NE(text.find("Dlr:East"), std::string::npos);
}

TEST_F(RendererTest, HandRecordsTakeTheFilesOwnTableAndFillPages)
{
    // Seventeen boards: sixteen on the first page, one on the second. Boards
    // 1 and 2 carry a table that is deliberately not the deal's true one, as
    // a DoubleDummyTricks tag and as an Ability tag: each is printed as
    // written, not solved again. Board 3's Ability lacks West: it is solved.
    std::string pbn = "[Event \"Long session\"]\n";
    for (int b = 1; b <= 17; ++b) {
        pbn += "[Board \"" + std::to_string(b) + "\"]\n[Deal \"N:AKQJT98765432... .AKQJT98765432.. "
                                                 "..AKQJT98765432. ...AKQJT98765432\"]\n";
        if (b == 1)
            pbn += "[DoubleDummyTricks \"123456789A123456789A\"]\n";
        if (b == 2)
            pbn += "[Ability \"N:12345 E:12345 S:6789a W:6789a\"]\n";
        if (b == 3)
            pbn += "[Ability \"N:12345 E:12345 S:6789a\"]\n";
        pbn += "\n";
    }
    Write("long.pbn", pbn);
    const RunResult r = Render({"--pbn", "long.pbn", "--pdf", "long.pdf", "--png", "long.png", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Pages("long.pdf"), 2);
    EXPECT_TRUE(fs::exists(dir / "long.png"));
    // The tag's N group "12345" (NT S H D C) is North's row C D H S NT
    // "54321".
    // The first line of rows is the four North rows of boards 1 to 4, the
    // next their South rows.
    const std::vector<std::string> first = TrickRows(PdfText("long.pdf", 1));
    ASSERT_GE(first.size(), 8u);
    EXPECT_EQ(first[0], "N54321");
    EXPECT_EQ(first[1], "N54321");
    EXPECT_EQ(first[2], Row("N 0 13 0 13 0"));
    EXPECT_EQ(first[5], Row("S 10 9 8 7 6"));
    EXPECT_EQ(TrickRows(PdfText("long.pdf", 2)),
              (std::vector<std::string>{Row("N 0 13 0 13 0"), Row("S 0 13 0 13 0"), Row("E 13 0 13 0 0"),
                                        Row("W 13 0 13 0 0")}));
    EXPECT_NE(PdfText("long.pdf", 2).find("Long session Hand records (Page2/2)"), std::string::npos);
}

TEST_F(RendererTest, BadHandRecordsNameTheBoardAndCardAndWriteNothing)
{
    const std::string good = "[Board \"1\"]\n[Deal \"N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 "
                             "T5.QT62.AT2.AT64\"]\n\n";
    Write("twelve.pbn", good +
                            "[Board \"2\"]\n[Deal \"N:AQ4.KJ5.KQ73.Q8 KJ9763.A8.J4.K95 82.9743.9865.J73 "
                            "T5.QT62.AT2.AT64\"]\n");
    Write("twice.pbn", good +
                           "[Board \"3\"]\n[Deal \"N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 "
                           "T5.QT62.AT2.AT6Q\"]\n");
    Write("empty.pbn", "[Event \"Nothing\"]\n");
    Write("good.pbn", good);
    Write("utf8.pbn", "%Content-type: text/x-pbn; charset=UTF-8\n[Event \"A\"]\n[Site \"Z\xedn\"]\n" + good);
    Write("koi8.pbn", "%Content-type: text/x-pbn; charset=KOI8-R\n" + good);
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--pbn", "twelve.pbn", "--pdf", "out.pdf"},
         "bridgeprint-render: twelve.pbn: board 2: North holds 12 cards, not 13; C2 is in no hand\n"},
        {{"--pbn", "twice.pbn", "--pdf", "out.pdf", "--png", "out.png"},
         "bridgeprint-render: twice.pbn: board 3: CQ is in both North's and West's hands\n"},
        {{"--pbn", "empty.pbn", "--pdf", "out.pdf"},
         "bridgeprint-render: empty.pbn holds no deal (no game with a Deal tag)\n"},
        {{"--pbn", "missing.pbn", "--pdf", "out.pdf"}, "bridgeprint-render: cannot read missing.pbn: no such file\n"},
        {{"--pbn", "twice.pbn", "--test-page", "--pdf", "out.pdf"},
         "bridgeprint-render: give either --test-page or --pbn, not both\n"},
        {{"--pbn", "twice.pbn", "--message", "a.json", "--message", "b.json", "--pdf", "out.pdf"},
         "bridgeprint-render: give either --message or --pbn, not both\n"},
        {{"--spooled", "x", "--pbn", "twice.pbn", "--message", "a.json", "--pdf", "out.pdf"},
         "bridgeprint-render: --pbn prints alone, without --test-page, --message, --spooled or --journal\n"},
        {{"--pbn", "utf8.pbn", "--pdf", "out.pdf"},
         "bridgeprint-render: utf8.pbn: line 3 is not UTF-8, the character set the file declares\n"},
        {{"--pbn", "koi8.pbn", "--pdf", "out.pdf"},
         "bridgeprint-render: koi8.pbn: the file declares the character set \"koi8-r\", which is not one read here "
         "(UTF-8, ISO-8859-1, windows-1252)\n"},
        {{"--pbn", "good.pbn", "--boards", "3", "--pdf", "out.pdf"},
         "bridgeprint-render: good.pbn: board 3 is not in the file\n"},
        {{"--pbn", "good.pbn", "--boards", "1,5-9", "--pdf", "out.pdf"},
         "bridgeprint-render: good.pbn: no board of 5-9 is in the file\n"},
        {{"--pbn", "good.pbn", "--boards", "1-x", "--pdf", "out.pdf"},
         "bridgeprint-render: good.pbn: \"1-x\" in the boards \"1-x\" is not a board number or a range such as "
         "1-16\n"},
        {{"--pbn", "good.pbn", "--per-page", "6", "--pdf", "out.pdf"},
         "bridgeprint-render: --per-page takes 16, 8 or 4, not 6\n"},
        {{"--pbn", "good.pbn", "--paper", "a3", "--pdf", "out.pdf"},
         "bridgeprint-render: --paper takes a4 or letter, not a3\n"},
        {{"--test-page", "--paper", "letter", "--pdf", "out.pdf"},
         "bridgeprint-render: --boards, --per-page and --paper are for hand records (--pbn)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const RunResult r = Render(c.args);
        EXPECT_NE(r.status, 0);
        EXPECT_EQ(r.err, c.message);
        EXPECT_FALSE(fs::exists(dir / "out.pdf"));
        EXPECT_FALSE(fs::exists(dir / "out.png"));
        EXPECT_FALSE(fs::exists(dir / "out.pdf.part"));
    }
}

TEST_F(RendererTest, HandRecordsSolvedByTheWorkerWhereverThePackagePutsIt)
{
    // A copy of the renderer laid out as the package installs it, in
    // <root>/usr/bin/: it finds its solver worker in
    // <root>/usr/libexec/bridgeprint-kiosk/ (a plain build keeps the two side
    // by side), or says where it looked. The variable overrides both.
    const fs::path root = dir / "root";
    const fs::path bin = root / "usr/bin";
    const fs::path libexec = root / "usr/libexec/bridgeprint-kiosk";
    fs::create_directories(bin);
    fs::copy_file(kRenderer, bin / "bridgeprint-render");
    const std::string renderer = (bin / "bridgeprint-render").string();
    const std::string pbn = kFixtures + "one-suit-each.pbn";
    const std::vector<std::string> args = {"--pbn", pbn, "--pdf", "hands.pdf", "--lang", "en"};

    RunResult r = Render(args, "", renderer);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "bridgeprint-render: " + pbn + ": the double-dummy solver program is missing: neither " +
                         (bin / "bridgeprint-solver").string() + " nor " + (libexec / "bridgeprint-solver").string() +
                         " is an executable file (or set $BRIDGEPRINT_SOLVER to its path)\n");
    EXPECT_FALSE(fs::exists(dir / "hands.pdf"));

    fs::create_directories(libexec);
    fs::copy_file(fs::path(kRenderer).parent_path() / "bridgeprint-solver", libexec / "bridgeprint-solver");
    r = Render(args, "", renderer);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(PdfText("hands.pdf").find("Par NS +1510: 7S NS"), std::string::npos) << PdfText("hands.pdf");
    fs::remove(dir / "hands.pdf");

    r = Render(args, "BRIDGEPRINT_SOLVER=" + Quote((dir / "nowhere").string()), renderer);
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.err, "bridgeprint-render: " + pbn + ": the double-dummy solver program " + (dir / "nowhere").string() +
                         " (from $BRIDGEPRINT_SOLVER) is not an executable file\n");
    EXPECT_FALSE(fs::exists(dir / "hands.pdf"));
}

TEST_F(RendererTest, HandRecordsReadTheFilesCharacterSetAndItsTitle)
{
    // One board with its table, so that nothing is solved; the title as
    // each kind of file writes it, read back off the page.
    const std::string board = "[Board \"1\"]\n[Deal \"N:AKQJT98765432... .AKQJT98765432.. "
                              "..AKQJT98765432. ...AKQJT98765432\"]\n[DoubleDummyTricks \"0d0d00d0d00d0d00d0d0\"]\n";
    const std::string latin = "2. p\xe1rov\xfd turnaj";
    const std::string utf8 = "2. p\u00e1rov\u00fd turnaj";
    const struct {
        const char* name;
        std::string text;
        std::string title;
    } cases[] = {
        {"latin1-declared", "%Content-type: text/x-pbn; charset=ISO-8859-1\n[Event \"" + latin + "\"]\n" + board,
         utf8},
        {"latin1-undeclared", "[Event \"" + latin + "\"]\n[Site \"Z\xedn\"]\n" + board,
         utf8 + ", Z\u00edn"},
        {"windows-1252", "%Content-type: text/x-pbn; charset=windows-1252\n[Event \"\x84Open\x93 \x80 10\"]\n" + board,
         "\u201eOpen\u201c \u20ac 10"},
        {"utf8-bom", "\xef\xbb\xbf[Event \"" + utf8 + "\"]\n" + board, utf8},
        {"utf8", "[Event \"冬季双人赛 " + utf8 + "\"]\n" + board, "冬季双人赛 " + utf8},
        {"title-directives",
         "% PBN 2.1\n%HRTitleEvent \"Club Pairs\"\n%HRTitleSite \"Br\xfcnn\"\n%HRTitleDate \"2026.12.11\"\n"
         "[Event \"\"]\n[Site \"\"]\n[Date \"\"]\n" + board,
         "Club Pairs, Br\u00fcnn, 2026.12.11"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("hands.pbn", c.text);
        const RunResult r = Render({"--pbn", "hands.pbn", "--pdf", "hands.pdf", "--lang", "en"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(PdfText("hands.pdf").find(c.title), std::string::npos) << PdfText("hands.pdf");
        fs::remove(dir / "hands.pdf");
    }
}

TEST_F(RendererTest, HandRecordsOfChosenBoardsLargerAndOnLetter)
{
    std::string pbn = "[Event \"Week\"]\n";
    for (int b = 1; b <= 20; ++b)
        pbn += "[Board \"" + std::to_string(b) + "\"]\n[Deal \"N:AKQJT98765432... .AKQJT98765432.. "
               "..AKQJT98765432. ...AKQJT98765432\"]\n[DoubleDummyTricks \"" +
               (b % 2 ? "0d0d00d0d00d0d00d0d0" : "123456789A123456789A") + "\"]\n\n";
    Write("week.pbn", pbn);
    const struct {
        std::vector<std::string> args;
        int pages;
        size_t rows; // trick table rows on the first page: four a board
        const char* paper;
    } cases[] = {
        {{}, 2, 64, "(A4)"},
        {{"--per-page", "8"}, 3, 32, "(A4)"},
        {{"--per-page", "4", "--paper", "letter"}, 5, 16, "(letter)"},
        {{"--boards", "2-3,17,19-40", "--per-page", "4"}, 2, 16, "(A4)"},
        {{"--boards", "20"}, 1, 4, "(A4)"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--pbn", "week.pbn", "--pdf", "week.pdf", "--lang", "en"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const RunResult r = Render(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Pages("week.pdf"), c.pages);
        EXPECT_NE(PdfInfo("week.pdf").find(c.paper), std::string::npos) << PdfInfo("week.pdf");
        EXPECT_EQ(TrickRows(PdfText("week.pdf", 1)).size(), c.rows) << PdfText("week.pdf", 1);
        fs::remove(dir / "week.pdf");
    }
    // The boards chosen, in the file's order, and only those: 2, 3, 17 and 19
    // on the first page (even boards carry the made-up table), 20 on the
    // second.
    ASSERT_EQ(Render({"--pbn", "week.pbn", "--boards", "17,2-3,19-40", "--per-page", "4", "--pdf", "week.pdf",
                      "--lang", "en"})
                  .status,
              0);
    const std::vector<std::string> first = TrickRows(PdfText("week.pdf", 1));
    ASSERT_EQ(first.size(), 16u) << PdfText("week.pdf", 1);
    EXPECT_EQ(first[0], "N54321");
    EXPECT_EQ(first[1], Row("N 0 13 0 13 0"));
    EXPECT_EQ(first[8], Row("N 0 13 0 13 0"));
    EXPECT_EQ(TrickRows(PdfText("week.pdf", 2)),
              (std::vector<std::string>{"N54321", Row("S 10 9 8 7 6"), "E54321", Row("W 10 9 8 7 6")}));
}

TEST_F(RendererTest, SeveralMessagesPrintIntoOnePdfInTheOrderGiven)
{
    Write("alpha.json", Team("12.Alpha"));
    Write("pairs.json", Pair("Bravo Pairs"));
    Write("charlie.json", Team("12.Charlie"));
    Write("delta.json", Team("12.Delta"));
    const RunResult r = Render({"--message", "delta.json", "--message", "pairs.json", "--message=alpha.json",
                                "--message", "charlie.json", "--pdf", "binder.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "nothing but errors on stderr when it is not a terminal";
    ASSERT_EQ(Pages("binder.pdf"), 5);
    EXPECT_NE(PdfInfo("binder.pdf").find("qivBridge print doc 1"), std::string::npos);
    ExpectPagesInOrder("binder.pdf", {{"12.Delta vs 7.长风队", 1},
                                      {"Bravo Pairs (1)", 2},
                                      {"Bravo Pairs (2)", 3},
                                      {"12.Alpha vs 7.长风队", 4},
                                      {"12.Charlie vs 7.长风队", 5}});
    // Each scorecard keeps its own page numbers.
    EXPECT_NE(PdfText("binder.pdf", 3).find("(Page2/2)"), std::string::npos);
    EXPECT_NE(PdfText("binder.pdf", 4).find("(Page1/1)"), std::string::npos);
}

TEST_F(RendererTest, ABatchPrintsTheSamePagesAsSingleRenders)
{
    // The options reach every scorecard of a batch: the language, and the
    // event in the stamp of the pair scorecard (no diagrams).
    const std::vector<std::string> options = {"--lang", "en", "--event", "Autumn Cup"};
    auto render = [&](std::vector<std::string> args, const std::string& pdf) {
        args.insert(args.end(), {"--pdf", pdf});
        args.insert(args.end(), options.begin(), options.end());
        const RunResult r = Render(args);
        EXPECT_EQ(r.status, 0) << r.err;
    };
    const std::string team = kFixtures + "team-16-boards.json";
    const std::string pair = kFixtures + "pair-26-boards.json";
    render({"--message", team}, "team.pdf");
    render({"--message", pair}, "pair.pdf");
    render({"--message", pair, "--message", team}, "both.pdf");
    ASSERT_EQ(Pages("both.pdf"), 3);
    // The footer's print time is the only text that may differ.
    auto withoutTime = [](std::string text) {
        std::istringstream in(text);
        std::string kept;
        for (std::string line; std::getline(in, line);)
            if (line.find(" printing)") == std::string::npos)
                kept += line + "\n";
        return kept;
    };
    EXPECT_NE(PdfText("both.pdf", 2).find("Autumn Cup"), std::string::npos);
    EXPECT_EQ(withoutTime(PdfText("both.pdf", 1)), withoutTime(PdfText("pair.pdf", 1)));
    EXPECT_EQ(withoutTime(PdfText("both.pdf", 2)), withoutTime(PdfText("pair.pdf", 2)));
    EXPECT_EQ(withoutTime(PdfText("both.pdf", 3)), withoutTime(PdfText("team.pdf", 1)));
    EXPECT_NE(PdfInfo("both.pdf").find("595 x 842 pts (A4)"), std::string::npos);
}

TEST_F(RendererTest, AFolderPrintsItsScorecardsInNameOrder)
{
    // Messages and the kiosk's spool entries side by side; what is not a
    // *.json file, and the spool's own subfolders, are no scorecards.
    fs::create_directories(dir / "round");
    Write("round/02-bravo.json", Team("12.Bravo"));
    Write("round/01-alpha.json", Team("12.Alpha"));
    Write("round/notes.txt", "not a scorecard");
    PrintSpool spool((dir / "round").string() + "/");
    Json::Value message;
    ASSERT_TRUE(NumericJson::Parse(Team("12.Charlie"), message));
    std::string error;
    const std::optional<SpoolEntry> charlie = spool.Add(207, 1, 12, "A 12", message, error);
    ASSERT_TRUE(charlie.has_value()) << error;
    ASSERT_TRUE(NumericJson::Parse(Team("12.Delta"), message));
    const std::optional<SpoolEntry> delta = spool.Add(207, 1, 13, "A 13", message, error);
    ASSERT_TRUE(delta.has_value()) << error;
    ASSERT_TRUE(spool.MarkPrinted(delta->id));

    RunResult r = Render({"--message", "round", "--pdf", "round.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Pages("round.pdf"), 3);
    ExpectPagesInOrder("round.pdf", {{"12.Alpha vs", 1}, {"12.Bravo vs", 2}, {"12.Charlie vs", 3}});

    // The printed entries, given as the spool's done/ folder, after a message.
    r = Render({"--message", "round/01-alpha.json", "--message", "round/done/", "--pdf", "done.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(Pages("done.pdf"), 2);
    ExpectPagesInOrder("done.pdf", {{"12.Alpha vs", 1}, {"12.Delta vs", 2}});
}

TEST_F(RendererTest, AJournalPrintsEveryScorecardTheKioskSpooledOnce)
{
    // The spool of a session: one entry still waiting, one printed, one
    // discarded by the director.
    const std::string spoolDir = (dir / "spool").string();
    PrintSpool spool(spoolDir + "/");
    auto add = [&](const std::string& text, int32_t msgId) {
        Json::Value message;
        EXPECT_TRUE(NumericJson::Parse(text, message));
        std::string error;
        const std::optional<SpoolEntry> entry = spool.Add(msgId, 1, 12, "A 12", message, error);
        EXPECT_TRUE(entry.has_value()) << error;
        return entry ? entry->id : std::string();
    };
    const std::string waiting = add(Team("12.Waiting"), 207);
    const std::string printed = add(Pair("Printed Pairs"), 208);
    const std::string discarded = add(Team("12.Discarded"), 207);
    ASSERT_TRUE(spool.MarkPrinted(printed));
    ASSERT_TRUE(spool.Discard(discarded));
    // The journal lists them out of the spool's order, and the printed one
    // twice (the director reprinted it); other events name ids too.
    Write("print-journal.jsonl", JournalLine("start") + JournalLine("spooled", printed) +
                                     JournalLine("submitted", waiting) + "\n" + JournalLine("spooled", discarded) +
                                     JournalLine("completed", printed) + JournalLine("spooled", printed) +
                                     JournalLine("spooled", waiting));
    Write("first.json", Team("12.First"));

    const RunResult r = Render({"--message", "first.json", "--journal", "print-journal.jsonl", "--spool-dir", spoolDir,
                                "--pdf", "session.pdf", "--lang", "en"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(Pages("session.pdf"), 5);
    ExpectPagesInOrder("session.pdf", {{"12.First vs", 1},
                                       {"Printed Pairs (1)", 2},
                                       {"Printed Pairs (2)", 3},
                                       {"12.Discarded vs", 4},
                                       {"12.Waiting vs", 5}});
    // An id is printed once over every journal given.
    const RunResult twice = Render({"--journal", "print-journal.jsonl", "--journal", "print-journal.jsonl",
                                    "--spool-dir", spoolDir, "--pdf", "twice.pdf"});
    ASSERT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(Pages("twice.pdf"), 4);
    // Reading the journal and the spool changes neither.
    EXPECT_EQ(spool.PendingCount(), 1u);
}

TEST_F(RendererTest, ABadScorecardAnywhereInABatchLeavesNoPdf)
{
    Write("good.json", Team("12.Good"));
    Write("signup.json", R"({"pub_MsgID":203,"85":{}})");
    fs::create_directories(dir / "empty");
    fs::create_directories(dir / "mixed");
    Write("mixed/a.json", Team("12.A"));
    Write("mixed/b.json", "{ not JSON");
    Write("mixed/c.json", Team("12.C"));
    fs::create_directories(dir / "spool");
    const std::string lost = "20261210-153003-000042";
    Write("lost.jsonl", JournalLine("start") + JournalLine("spooled", lost));
    Write("quiet.jsonl", JournalLine("start") + JournalLine("touch"));
    Write("torn.jsonl", JournalLine("start") + R"({"event":"spoo)" + "\n");
    Write("noid.jsonl", JournalLine("spooled"));
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"--message", "good.json", "--message", "signup.json", "--message", "good.json"},
         1,
         "signup.json holds message 203, not a scorecard message"},
        {{"--message", "good.json", "--message", "mixed"}, 1, "mixed/b.json is not JSON"},
        {{"--message", "good.json", "--message", "missing.json"}, 1, "cannot read missing.json: no such file"},
        {{"--message", "empty", "--message", "good.json"}, 1, "no scorecards in empty: it holds no *.json file"},
        {{"--journal", "lost.jsonl", "--spool-dir", "spool", "--message", "good.json"},
         1,
         "no spooled scorecard " + lost + " in spool (nor in its done/ or discarded/), named in lost.jsonl line 2"},
        {{"--journal", "quiet.jsonl", "--spool-dir", "spool"}, 1, "no scorecards in quiet.jsonl: the journal has no"},
        {{"--journal", "torn.jsonl", "--spool-dir", "spool"}, 1, "torn.jsonl line 2 is not a journal line"},
        {{"--journal", "noid.jsonl", "--spool-dir", "spool"}, 1, "noid.jsonl line 1: a \"spooled\" event without"},
        {{"--journal", "missing.jsonl"}, 1, "cannot read missing.jsonl: no such file"},
        {{"--message", "good.json", "--spooled", "20261210-153003-000001", "--spool-dir", "spool"},
         1,
         "no spooled scorecard 20261210-153003-000001 in spool"},
        {{"--message", "good.json", "--message", "good.json", "--png", "out.png"},
         2,
         "--png pictures the first page of a single scorecard"},
        {{"--message", "mixed", "--png", "out.png"},
         1,
         "--png pictures the first page of a single scorecard; print several into --pdf without --png (the inputs "
         "hold 3)"},
        {{"--test-page", "--journal", "quiet.jsonl"}, 2, "give either --test-page or --journal, not both"},
        {{"--test-page", "--message", "good.json", "--journal", "quiet.jsonl"}, 2, "--test-page prints alone"},
    };
    const std::vector<std::string> before = AllFiles();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--png") == args.end())
            args.insert(args.end(), {"--pdf", "out.pdf"});
        const RunResult r = Render(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(Count(r.err, "\n"), 1u) << r.err;
        EXPECT_EQ(r.err.rfind("bridgeprint-render: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(AllFiles(), before) << "an output or a partial file was left behind";
    }
}

TEST_F(RendererTest, ABatchShowsItsProgressOnlyOnATerminal)
{
    Write("a.json", Team("12.A"));
    Write("b.json", Team("12.B"));
    // script(1) gives the program a terminal for its output and errors.
    const std::string command = "cd " + Quote(dir.string()) +
                                " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 120 script -qec " +
                                Quote(Quote(kRenderer) + " --message a.json --message b.json --pdf ab.pdf") +
                                " /dev/null > tty.txt";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << ReadFile(dir / "tty.txt");
    const std::string tty = ReadFile(dir / "tty.txt");
    EXPECT_NE(tty.find("\r  1/2 scorecards  a.json"), std::string::npos) << tty;
    EXPECT_NE(tty.find("\r  2/2 scorecards  b.json"), std::string::npos) << tty;
    EXPECT_NE(tty.find("2 scorecards, 2 pages: ab.pdf"), std::string::npos) << tty;
    EXPECT_EQ(Pages("ab.pdf"), 2);
}
