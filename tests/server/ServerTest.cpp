#include "ScoringServer.h"
#include "EntryFilter.h"
#include "JsonShape.h"
#include "Tournament.h"

#include "comm/MessageFrame.h"
#include "foundation/Files.h"
#include "foundation/NumericJson.h"
#include "foundation/TextUtil.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"
#include "tournament/Deals.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

sim::Tournament SmallTournament()
{
    const char* text = R"({
      "event": "Club night",
      "sections": [
        {"id": 1, "name": "A", "kind": "team", "caption": "Teams", "scoreLabel": "IMP",
         "deals": [{"board": 1, "pbn": "N:KT7.AK74.KQ984.T Q94.JT93.A6.J743 8652.82.753.Q952 AJ3.Q65.JT2.AK86",
                    "tricks": "87659876598765987659"}],
         "entries": [{"number": 1, "name": "Dragons", "scorecard": {"1": "1.Dragons", "_L": []}},
                     {"number": 2, "name": "Owls", "printed": true}]},
        {"id": 3, "name": "Ce", "kind": "pair",
         "entries": [{"number": 1, "name": "Chen - Wang", "title": "NS1", "subtitle": "Top"},
                     {"number": -1, "name": "Li - Zhao"}, {"number": 2, "name": "Ma - Hu"},
                     {"number": 21, "name": "x"}, {"number": 25, "name": "y"}, {"number": 30, "name": "z"}]},
        {"id": 4, "name": "D", "kind": "individual", "entries": [{"number": 7, "name": "Solo"}]}
      ]})";
    Json::Value value;
    EXPECT_TRUE(NumericJson::Parse(text, value));
    sim::Tournament t;
    std::string error;
    EXPECT_TRUE(sim::TournamentFromJson(value, t, error)) << error;
    return t;
}

ServerMessage ListRequest(const std::string& filter, const std::string& code, bool confirm)
{
    ServerMessage m(kMsgSignupList);
    m.SetText("99", "7.26.15");
    m.SetText("2", code);
    m.SetText("61", filter);
    m.SetFlag("82", confirm);
    return m;
}

ServerMessage PrintRequest(int32_t section, int32_t number)
{
    ServerMessage m(kMsgPrintRequest);
    m.SetInt("11", section);
    m.SetInt("15", number);
    return m;
}

// "section:number" of each listed entry, with "*" for a printed one.
std::string Listed(const ServerMessage& reply)
{
    std::string out;
    for (const Json::Value& e : NumericJson::ReadArray(reply.GetObject("85"), "_o")) {
        if (!out.empty())
            out += " ";
        out += std::to_string(NumericJson::ReadInt(e, "4")) + ":" + std::to_string(NumericJson::ReadInt(e, "6"));
        if (NumericJson::ReadFlag(e, "9"))
            out += "*";
    }
    return out;
}

TEST(ScoringServer, TheFilterSelectsSectionsByNameOrNumberAndNumbersByRange)
{
    sim::ScoringServer server(SmallTournament(), sim::ServerOptions());
    struct Case {
        const char* filter;
        const char* listed;
    };
    const Case cases[] = {
        {"", "1:1 1:2* 3:1 3:-1 3:2 3:21 3:25 3:30 4:7"},
        {"a", "1:1 1:2*"},
        {"CE#21~29", "3:21 3:25"},
        {"A;Ce#21~29", "1:1 1:2* 3:21 3:25"},
        {" 3 # 30 , 2 ; 4 ", "3:2 3:30 4:7"},
        {"3#-1", "3:-1"},
        {"3＃２５～３０；Ｄ", "3:25 3:30"}, // full-width punctuation and digits; letters stay full-width
        {"Z;9#1", ""},
        {";;", "1:1 1:2* 3:1 3:-1 3:2 3:21 3:25 3:30 4:7"},
        {"ce#29~21", "3:21 3:25"},                 // a range written downwards
        {"3#30;Ce#1~2;ce#20~22", "3:1 3:2 3:21 3:30"}, // one section named in several parts
        {"3#-1~1", "3:1 3:-1"},
        {"3#1~2;Ce", "3:1 3:-1 3:2 3:21 3:25 3:30"}, // the whole section wins over its ranges
        {"Ce#1,,~2", "3:1 3:2"},                   // an empty piece names nothing; "~2" is 0 to 2
        {"a#1#2", "1:1"},                          // only the first "#" divides
    };
    for (const Case& c : cases) {
        std::string summary;
        const ServerMessage reply = server.Handle(ListRequest(c.filter, "", false), summary);
        EXPECT_EQ(reply.MsgId(), kMsgSignupList) << c.filter;
        EXPECT_EQ(Listed(reply), c.listed) << c.filter;
    }
}

TEST(ScoringServer, AFilterOfThousandsOfPartsSelectsLikeAShortOne)
{
    // Thousands of parts naming no section, then one that does: the list is
    // the same as for that part alone, and reading it is one pass (the old
    // reading split the text again for every part, inside the lock).
    sim::ServerOptions options;
    options.maxFilterLength = 64 * 1024;
    sim::ScoringServer server(SmallTournament(), options);
    std::string filter;
    for (int i = 0; i < 2000; ++i)
        filter += "Zz" + std::to_string(i) + "#" + std::to_string(i) + "~" + std::to_string(i + 5) + "；";
    filter += "Ce#２５,１~２";
    std::string summary;
    EXPECT_EQ(Listed(server.Handle(ListRequest(filter, "", false), summary)), "3:1 3:2 3:25");
    EXPECT_NE(summary.find("...(" + std::to_string(filter.size()) + " bytes)"), std::string::npos)
        << "a long filter is cut short in the log";
}

TEST(ScoringServer, AFilterAboveTheBoundIsRefusedWithANote)
{
    sim::ServerOptions options;
    options.maxFilterLength = 64;
    sim::ScoringServer server(SmallTournament(), options);
    std::string summary;
    EXPECT_EQ(server.Handle(ListRequest("A" + std::string(63, ';'), "", false), summary).MsgId(), kMsgSignupList);
    const ServerMessage refused = server.Handle(ListRequest("A" + std::string(64, ';'), "", false), summary);
    EXPECT_EQ(refused.MsgId(), kMsgNote);
    EXPECT_NE(refused.GetText(MsgKey::kNotes).find("too long"), std::string::npos);
    EXPECT_NE(summary.find("filter of 65 bytes refused (at most 64)"), std::string::npos) << summary;
}

TEST(EntryFilter, ReadsFullWidthFormsLikeTheFoundationInOnePass)
{
    // Every two- and three-byte UTF-8 sequence is rewritten exactly as
    // foundation's NormaliseFullWidth rewrites it, so the server's one-pass
    // table cannot drift from the kiosk's.
    std::vector<std::string> differ;
    auto check = [&](const std::string& sequence) {
        if (sim::NormaliseFilterText(sequence) != NormaliseFullWidth(sequence))
            differ.push_back(sequence);
    };
    for (int a = 0xC2; a <= 0xDF; ++a)
        for (int b = 0x80; b <= 0xBF; ++b)
            check({char(a), char(b)});
    for (int a = 0xE0; a <= 0xEF; ++a)
        for (int b = 0x80; b <= 0xBF; ++b)
            for (int c = 0x80; c <= 0xBF; ++c)
                check({char(a), char(b), char(c)});
    EXPECT_TRUE(differ.empty()) << differ.size() << " sequences differ, the first " << differ.front();
    EXPECT_EQ(sim::NormaliseFilterText("A；Ｃ＃１～３，－５"), "A;Ｃ#1~3,-5");
}

TEST(ScoringServer, OnlyAConfirmingRequestWithTheRightCodeIsConfirmed)
{
    sim::ServerOptions options;
    options.accessCode = "8125";
    sim::ScoringServer server(SmallTournament(), options);
    struct Case {
        const char* name;
        const char* code;
        bool confirm;
        bool confirmed;
        bool refused; // the log line says the code was refused
    };
    const Case cases[] = {
        {"right code, confirming", "8125", true, true, false},
        {"right code, only polling", "8125", false, false, false},
        {"wrong code", "812", true, false, true},
        {"wrong code, only polling", "812", false, false, true},
        {"no code", "", true, false, true},
        {"no code, only polling", "", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string summary;
        const ServerMessage reply = server.Handle(ListRequest("", c.code, c.confirm), summary);
        EXPECT_EQ(reply.isMember("82"), c.confirmed);
        EXPECT_EQ(summary.find("access code refused") != std::string::npos, c.refused) << summary;
        if (c.confirmed) {
            EXPECT_EQ(reply["82"], Json::Value(1));
        }
        EXPECT_EQ(reply.GetText("1"), "Club night");
    }
    sim::ServerOptions open;
    open.accessCode = "";
    sim::ScoringServer anyCode(SmallTournament(), open);
    std::string summary;
    EXPECT_TRUE(anyCode.Handle(ListRequest("", "", true), summary).GetFlag("82"));
}

TEST(ScoringServer, PrintRequestsAnswerByEventKindAndMarkTheEntryPrinted)
{
    sim::ScoringServer server(SmallTournament(), sim::ServerOptions());
    std::string summary;

    const ServerMessage team = server.Handle(PrintRequest(1, 1), summary);
    EXPECT_EQ(team.MsgId(), kMsgTeamScorecard);
    EXPECT_EQ(team.GetInt("11"), 1);
    EXPECT_EQ(team.GetInt("15"), 1);
    EXPECT_EQ(team.GetObject("66")["1"].asString(), "1.Dragons");
    EXPECT_EQ(team.GetText("83"), "Teams");
    EXPECT_EQ(team.GetText("102"), "IMP");
    ASSERT_EQ(team.GetArray("85").size(), 1u);
    EXPECT_TRUE(IsValidDeal(NumericJson::ReadText(team.GetArray("85")[0], "2")));
    EXPECT_EQ(NumericJson::ReadText(team.GetArray("85")[0], "3"), "87659876598765987659");
    EXPECT_TRUE(server.IsPrinted(1, 1));
    EXPECT_EQ(Listed(server.Handle(ListRequest("A", "", false), summary)), "1:1* 1:2*");

    for (int32_t number : {-1, 1}) {
        const ServerMessage pair = server.Handle(PrintRequest(3, number), summary);
        EXPECT_EQ(pair.MsgId(), kMsgPairScorecard);
        EXPECT_EQ(pair.GetInt("15"), number);
        EXPECT_TRUE(pair.isMember("66"));
        EXPECT_TRUE(pair.isMember("85"));
    }
    EXPECT_EQ(server.Handle(PrintRequest(3, 1), summary).GetText("87"), "NS1");
    EXPECT_EQ(server.Handle(PrintRequest(4, 7), summary).MsgId(), kMsgPairScorecard);

    for (const ServerMessage& bad : {PrintRequest(1, 3), PrintRequest(2, 1), ServerMessage(4711), ServerMessage()}) {
        const ServerMessage note = server.Handle(bad, summary);
        EXPECT_EQ(note.MsgId(), kMsgNote);
        EXPECT_FALSE(note.GetText(MsgKey::kNotes).empty());
    }
}

// A raw client: sends `bytes`, returns the reply frame ("" when the server
// closed without one) and how long the exchange took.
std::string Exchange(uint16_t port, const std::string& bytes, std::chrono::milliseconds* took = nullptr)
{
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return "connect failed";
    }
    loopback::SendAll(fd, bytes);
    const std::string reply = loopback::ReadFrame(fd, 5s);
    ::close(fd);
    if (took)
        *took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return reply;
}

std::string Framed(const ServerMessage& m)
{
    return MessageFrame::Encode(m.ToJsonText(), "");
}

int32_t ReplyId(const std::string& frame)
{
    MessageFrame f;
    if (!MessageFrame::Decode(frame.data(), frame.size(), f))
        return -1;
    ServerMessage m;
    m.FromJsonText(f.jsonText);
    return m.MsgId();
}

TEST(ScoringServer, BadInputEndsOnlyItsOwnConnection)
{
    std::ostringstream log;
    sim::ServerOptions options;
    options.port = 0;
    options.log = &log;
    options.requestTimeoutMs = 1500;
    sim::ScoringServer server(SmallTournament(), options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    ASSERT_NE(server.Port(), 0);

    std::string huge(8, '\0');
    MessageFrame::WriteInt32(huge.data(), 0x7ffffff0);
    std::string negative(8, '\0');
    MessageFrame::WriteInt32(negative.data(), -4);
    std::string badAttachment = Framed(ListRequest("", "", false));
    MessageFrame::WriteInt32(badAttachment.data() + 4, 1 << 20);

    struct Case {
        const char* name;
        std::string bytes;
        int32_t replyId; // -1: closed without a reply
    };
    const Case cases[] = {
        {"huge announced length", huge + std::string(100, 'x'), -1},
        {"negative length", negative, -1},
        {"eight-byte frame", MessageFrame::Encode("", ""), -1},
        {"attachment out of range", badAttachment, -1},
        {"invalid JSON", MessageFrame::Encode("{\"pub_MsgID\":203,", ""), kMsgNote},
        {"unknown id", Framed(ServerMessage(12)), kMsgNote},
        {"half a frame, then silence", Framed(ListRequest("", "", false)).substr(0, 10), -1},
        {"a good request afterwards", Framed(ListRequest("", "", false)), kMsgSignupList},
    };
    for (const Case& c : cases) {
        std::chrono::milliseconds took{};
        EXPECT_EQ(ReplyId(Exchange(server.Port(), c.bytes, &took)), c.replyId) << c.name;
        EXPECT_LT(took, 3s) << c.name;
    }
    server.Stop();
    const std::string lines = log.str();
    EXPECT_NE(lines.find("bad frame header -> closed"), std::string::npos) << lines;
    EXPECT_NE(lines.find("malformed frame of 8 bytes"), std::string::npos) << lines;
    EXPECT_NE(lines.find("invalid JSON -> 999"), std::string::npos) << lines;
    EXPECT_NE(lines.find("no request within 1500 ms"), std::string::npos) << lines;
    EXPECT_NE(lines.find("-> 203 entries=9"), std::string::npos) << lines;
}

TEST(ScoringServer, HandleRequestBytesAnswersExactlyLikeAConnection)
{
    sim::ServerOptions options;
    options.port = 0;
    sim::ScoringServer server(SmallTournament(), options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    std::string shortHeader = Framed(ListRequest("", "", false));
    MessageFrame::WriteInt32(shortHeader.data(), int32_t(shortHeader.size()) - 1);
    const std::string frames[] = {
        Framed(ListRequest("Ce#1~2", "8888", true)),
        Framed(PrintRequest(9, 9)),
        Framed(ServerMessage(12)),
        MessageFrame::Encode("[1,2]", ""),
        MessageFrame::Encode("", ""),
    };
    for (const std::string& frame : frames) {
        const std::string direct = server.HandleRequestBytes(frame);
        EXPECT_EQ(direct, Exchange(server.Port(), frame)) << frame;
    }
    EXPECT_FALSE(server.HandleRequestBytes(frames[0]).empty());
    // One whole frame is expected: a header that announces other than the
    // bytes given is not a frame.
    EXPECT_TRUE(server.HandleRequestBytes(shortHeader).empty());
    EXPECT_TRUE(server.HandleRequestBytes(frames[0] + "x").empty());
    EXPECT_TRUE(server.HandleRequestBytes(std::string("\x05\0\0\0", 4)).empty());
    EXPECT_TRUE(server.HandleRequestBytes(std::string()).empty());
}

// `text` `times` times over.
std::string Repeated(const std::string& text, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(ScoringServer, ARequestFrameIsBoundedByTheFilterItMayCarry)
{
    std::ostringstream log;
    sim::ServerOptions options;
    options.port = 0;
    options.log = &log;
    // Long enough that a server waiting for the rest of a frame would keep
    // the exchange open past the client's own five seconds.
    options.requestTimeoutMs = 30000;
    sim::ScoringServer server(SmallTournament(), options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    const int32_t bound = sim::MaxRequestLength(options);

    // The longest filter allowed with the longest access code a kiosk sends,
    // both escaped as much as a writer escapes text (the filter's é as
    // \u00e9, three bytes for each of its two, the code's quotes as \"), and
    // the filter one byte longer: both requests fit, so the first is answered
    // and the second refused with a note.
    auto escaped = [](const std::string& filterJson) {
        return MessageFrame::Encode(R"({"pub_MsgID":203,"99":"7.26.15","2":")" + Repeated(R"(\")", 4095) +
                                        R"(","82":1,"61":")" + filterJson + "\"}",
                                    "");
    };
    const std::string largest = escaped(Repeated(R"(\u00e9)", options.maxFilterLength / 2));
    const std::string oneMore = escaped(Repeated(R"(\u00e9)", options.maxFilterLength / 2) + "a");
    ASSERT_GT(largest.size(), 3 * options.maxFilterLength + 2 * 4095);
    // A plain request padded with blanks to the bound exactly.
    std::string padded = ListRequest("A", "", false).ToJsonText();
    padded.append(size_t(bound - MessageFrame::kHeaderLength) - padded.size(), ' ');
    std::string overBound(8, '\0');
    MessageFrame::WriteInt32(overBound.data(), bound + 1);

    struct Case {
        const char* name;
        std::string bytes;
        int32_t replyId; // -1: closed without a reply
    };
    const Case cases[] = {
        {"the longest filter, escaped throughout", largest, kMsgSignupList},
        {"a filter one byte too long", oneMore, kMsgNote},
        {"a frame of the bound exactly", MessageFrame::Encode(padded, ""), kMsgSignupList},
        {"a header announcing one byte more, and nothing after it", overBound, -1},
    };
    for (const Case& c : cases) {
        std::chrono::milliseconds took{};
        EXPECT_EQ(ReplyId(Exchange(server.Port(), c.bytes, &took)), c.replyId) << c.name;
        EXPECT_LT(took, 4s) << c.name;
    }
    server.Stop();
    const std::string lines = log.str();
    EXPECT_NE(lines.find("filter of " + std::to_string(options.maxFilterLength + 1) + " bytes refused (at most " +
                         std::to_string(options.maxFilterLength) + ") code=wrong"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find("bad frame header: " + std::to_string(bound + 1) + " bytes announced (at most " +
                         std::to_string(bound) + ") -> closed"),
              std::string::npos)
        << lines;

    // The bound follows the filter's: a server that allows longer filters
    // reads the longer requests that carry them.
    sim::ServerOptions longer;
    longer.maxFilterLength = 64 * 1024;
    sim::ScoringServer roomier(SmallTournament(), longer);
    EXPECT_EQ(ReplyId(roomier.HandleRequestBytes(escaped(Repeated(R"(\u00e9)", longer.maxFilterLength / 2)))),
              kMsgSignupList);
    EXPECT_TRUE(server.HandleRequestBytes(escaped(Repeated(R"(\u00e9)", longer.maxFilterLength / 2))).empty());
}

TEST(ScoringServer, JsonShapedUnlikeARequestIsRefusedUnparsed)
{
    sim::ServerOptions options;
    sim::ScoringServer server(SmallTournament(), options);
    const std::string zeros = "0" + Repeated(",0", 256); // 257 values
    struct Case {
        const char* name;
        std::string json;
        const char* summary; // what the log says
    };
    const Case cases[] = {
        {"a flat array", "[" + zeros + "]", "JSON of more than 256 values -> 999 not parsed"},
        {"a request with an array beside it", R"({"pub_MsgID":203,"x":[)" + zeros + "]}",
         "JSON of more than 256 values -> 999 not parsed"},
        {"a request with many members", R"({"pub_MsgID":203)" + Repeated(R"(,"a":1)", 128) + "}",
         "JSON of more than 256 values -> 999 not parsed"},
        {"nesting nine deep", R"({"pub_MsgID":203,"x":)" + Repeated("[", 8) + Repeated("]", 8) + "}",
         "JSON nested deeper than 8 -> 999 not parsed"},
        // A string that ends in an escaped backslash ends there: the array
        // after it is counted.
        {"an array after a string ending in a backslash", R"({"61":"A\\","x":[)" + zeros + "]}",
         "JSON of more than 256 values -> 999 not parsed"},
        // What looks like structure inside strings and comments is none.
        {"brackets and commas in the filter",
         Framed(ListRequest("\"" + Repeated("[{,:", 300) + "\\", "", false)).substr(8), "filter=\"\\\"[{,:[{,:"},
        {"brackets and quotes in comments",
         R"({"pub_MsgID":203, /* ")" + Repeated("[0,", 300) + R"( */ "61":"A" // ")" + Repeated("[0,", 300) + "\n}",
         "filter=\"A\" code=none confirm=no -> 203 entries=2"},
        {"nesting eight deep", R"({"pub_MsgID":203,"x":)" + Repeated("[", 7) + Repeated("]", 7) + "}", "-> 203"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string summary;
        const std::string reply = server.HandleRequestBytes(MessageFrame::Encode(c.json, ""), summary);
        const bool refused = std::string(c.summary).find("not parsed") != std::string::npos;
        EXPECT_EQ(ReplyId(reply), refused ? kMsgNote : kMsgSignupList);
        EXPECT_NE(summary.find(c.summary), std::string::npos) << summary;
    }
}

// Values and nesting of a parsed text, counted as the scan counts them: each
// value, and each member name.
sim::JsonShape ParsedShape(const Json::Value& value)
{
    sim::JsonShape shape{1, value.isObject() || value.isArray() ? 1u : 0u};
    if (!value.isObject() && !value.isArray())
        return shape;
    for (auto it = value.begin(); it != value.end(); ++it) {
        const sim::JsonShape inner = ParsedShape(*it);
        shape.values += inner.values + (value.isObject() ? 1 : 0);
        shape.depth = std::max(shape.depth, inner.depth + 1);
    }
    return shape;
}

TEST(JsonShape, CountsWhatTheParserBuilds)
{
    // The scan stands in for the parser, so on any text the parser takes it
    // must count exactly the values the parser builds: fewer would let a
    // costly text through, more would refuse a request.
    const char* const texts[] = {
        R"({"pub_MsgID":203,"99":"7.26.15","2":"8888","61":"A;C#21~29","82":1})",
        R"([1, -2.5e+3, true, false, null, "", {}, [], [[]], {"a":{"b":[{}]}}])",
        R"({"a\"b":"[{,:}]", "c\\":"\\\\", "d":"\u0022[", "e":"\\\"]"})",
        "{ /* \" [ { */ \"a\" : // \" ] [\n 1, \"b\" : [ /* ] */ 2 /**/ ] } // [",
        "\t[ \"//\" , \"/*\" ,\r\n 3 ]",
        R"("a lone string")",
        "42",
        "{\"x\":[1,[2,[3,[4,[5]]]]],\"y\":\"\xe6\xa1\xa5\"}",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        Json::Value parsed;
        ASSERT_TRUE(NumericJson::Parse(text, parsed));
        const sim::JsonShape expected = ParsedShape(parsed);
        const sim::JsonShape scanned = sim::MeasureJson(text, 1000, 1000);
        EXPECT_EQ(scanned.values, expected.values);
        EXPECT_EQ(scanned.depth, expected.depth);
    }
}

TEST(ScoringServer, ServesManyKiosksAtOnce)
{
    sim::ServerOptions options;
    options.port = 0;
    sim::ScoringServer server(sim::SampleTournament(), options);
    std::string error;
    ASSERT_TRUE(server.Start(error)) << error;
    // Every client connects first, so all connections are open together.
    constexpr int kClients = 12;
    std::atomic<int> replies{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&, i] {
            const ServerMessage request = i % 2 ? ListRequest("C", "", false) : PrintRequest(3, -(i % 12 + 1));
            const int32_t id = ReplyId(Exchange(server.Port(), Framed(request)));
            if (id == (i % 2 ? kMsgSignupList : kMsgPairScorecard))
                ++replies;
        });
    }
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(replies.load(), kClients);
    EXPECT_EQ(server.ConnectionsServed(), size_t(kClients));
}

TEST(SampleTournament, HoldsBothEventsWithFullDealsAndConsistentResults)
{
    const sim::Tournament sample = sim::SampleTournament();
    std::map<sim::SectionKind, int> kinds;
    size_t largest = 0;
    bool eastWest = false;
    for (const sim::Section& s : sample.sections) {
        ++kinds[s.kind];
        largest = std::max(largest, s.entries.size());
        ASSERT_GE(s.deals.size(), 8u) << s.name;
        for (const Json::Value& d : s.deals) {
            EXPECT_TRUE(IsValidDeal(NumericJson::ReadText(d, "2"))) << s.name;
            EXPECT_EQ(NumericJson::ReadText(d, "3").size(), 20u) << s.name;
        }
        for (const sim::Entry& e : s.entries) {
            eastWest = eastWest || e.number < 0;
            const Json::Value& boards = NumericJson::ReadArray(e.scorecard, "_L");
            ASSERT_EQ(boards.size(), s.deals.size()) << s.name << e.number;
            for (const Json::Value& b : boards) {
                if (s.kind == sim::SectionKind::Team) {
                    const Json::Value& open = NumericJson::ReadObject(b, "5");
                    const Json::Value& closed = NumericJson::ReadObject(b, "6");
                    EXPECT_EQ(NumericJson::ReadInt(b, "7"), NumericJson::ReadInt(open, "9") - NumericJson::ReadInt(closed, "9"));
                    for (const Json::Value* room : {&open, &closed}) {
                        const std::string auction = NumericJson::ReadText(*room, "2");
                        ASSERT_GE(auction.size(), 8u);
                        EXPECT_EQ(auction.substr(auction.size() - 6), "C C C ") << "three passes end the auction";
                        EXPECT_FALSE(NumericJson::ReadText(*room, "5").empty()) << "a lead";
                    }
                } else {
                    EXPECT_EQ(std::stoi(NumericJson::ReadText(b, "15")) + std::stoi(NumericJson::ReadText(b, "16")),
                              2 * (int(s.entries.size()) / 2 - 1));
                    EXPECT_FALSE(NumericJson::ReadText(b, "17").empty());
                    EXPECT_FALSE(NumericJson::ReadText(b, "18").empty());
                }
            }
        }
    }
    EXPECT_EQ(kinds[sim::SectionKind::Team], 2);
    EXPECT_EQ(kinds[sim::SectionKind::Pair], 2);
    EXPECT_GT(largest, 20u);
    EXPECT_TRUE(eastWest);
}

TEST(TournamentFile, TheSampleSurvivesTheFileFormatAndBadFilesAreNamed)
{
    const sim::Tournament sample = sim::SampleTournament();
    sim::Tournament back;
    std::string error;
    ASSERT_TRUE(sim::TournamentFromJson(sim::TournamentToJson(sample), back, error)) << error;
    sim::ScoringServer a(sample, sim::ServerOptions());
    sim::ScoringServer b(back, sim::ServerOptions());
    std::string summary;
    for (const auto& [section, number] : std::vector<std::pair<int, int>>{{1, 1}, {2, 6}, {3, -12}, {4, 5}}) {
        const bool same = a.Handle(PrintRequest(section, number), summary).ToJsonText() ==
                          b.Handle(PrintRequest(section, number), summary).ToJsonText();
        EXPECT_TRUE(same) << section << ":" << number;
    }
    const bool sameList = a.Handle(ListRequest("", "", false), summary).ToJsonText() ==
                          b.Handle(ListRequest("", "", false), summary).ToJsonText();
    EXPECT_TRUE(sameList);

    struct Case {
        const char* name;
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"not an object", "[]", "does not hold a JSON object"},
        {"no sections", "{\"sections\":[]}", "non-empty array"},
        {"unknown kind", "{\"sections\":[{\"id\":1,\"name\":\"A\",\"kind\":\"swiss\",\"entries\":[]}]}", "\"kind\""},
        {"section id twice",
         "{\"sections\":[{\"id\":1,\"name\":\"A\",\"kind\":\"team\",\"entries\":[]},"
         "{\"id\":1,\"name\":\"B\",\"kind\":\"team\",\"entries\":[]}]}",
         "used twice"},
        {"entry number as text",
         "{\"sections\":[{\"id\":1,\"name\":\"A\",\"kind\":\"team\",\"entries\":[{\"number\":\"1\"}]}]}", "\"number\""},
        {"incomplete deal",
         "{\"sections\":[{\"id\":1,\"name\":\"A\",\"kind\":\"team\",\"deals\":[{\"board\":1,\"pbn\":\"N:AKQ\"}],"
         "\"entries\":[]}]}",
         "board 1: \"pbn\" holds 1 hands separated by spaces, not 4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json::Value value;
        NumericJson::Parse(c.text, value);
        sim::Tournament t;
        EXPECT_FALSE(sim::TournamentFromJson(value, t, error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// One section around `deal` (a readable deal object), as a tournament file.
std::string WithDeal(const std::string& deal)
{
    return "{\"sections\":[{\"id\":1,\"name\":\"A\",\"kind\":\"team\",\"deals\":[" + deal + "],\"entries\":[]}]}";
}

TEST(TournamentFile, ABadDealNamesTheBoardTheHandAndTheCard)
{
    // A complete deal, and the same deal with one thing a person gets wrong.
    const std::string good = "N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432";
    const struct {
        std::string deal;
        std::string error;
    } cases[] = {
        {R"({"board":3,"pbn":"N:AKQJ.AKQ.AKQ.AKQ 10987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432"})",
         "board 3: \"pbn\" the east hand writes a ten as \"10\"; write it as T"},
        {R"({"board":4,"pbn":"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.543"})",
         "board 4: \"pbn\" is missing C2"},
        {R"({"board":5,"pbn":"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5438"})",
         "board 5: \"pbn\" has cards given twice: C8 (south and west); missing: C2"},
        {R"({"board":8,"pbn":"N:AKQJ.AKQ.AKQ.AKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5433"})",
         "board 8: \"pbn\" has cards given twice: C3 (twice in the west hand); missing: C2"},
        {R"({"board":6,"pbn":"E:AKQJ.AKQ.AKQ.AKX T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432"})",
         "board 6: \"pbn\" the east hand holds \"X\", which is not a card"},
        {R"({"board":7,"pbn":"N:AKQJ.AKQ.AKQAKQ T987.JT9.JT9.JT9 6543.876.876.876 2.5432.5432.5432"})",
         "board 7: \"pbn\" the north hand has 3 suits"},
        {R"({"board":0,"pbn":")" + good + R"("})", "a deal's \"board\" must be a board number from 1 up, not 0"},
        {R"({"board":-2,"pbn":")" + good + R"("})", "not -2"},
        {R"({"pbn":")" + good + R"("})", "not missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.deal);
        Json::Value value;
        ASSERT_TRUE(NumericJson::Parse(WithDeal(c.deal), value));
        sim::Tournament t;
        std::string error;
        EXPECT_FALSE(sim::TournamentFromJson(value, t, error));
        EXPECT_EQ(error.rfind("section 1: ", 0), 0u) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    Json::Value value;
    ASSERT_TRUE(NumericJson::Parse(WithDeal(R"({"board":1,"pbn":")" + good + R"("})"), value));
    sim::Tournament t;
    std::string error;
    EXPECT_TRUE(sim::TournamentFromJson(value, t, error)) << error;
}

TEST(TournamentFile, UnknownMembersAndNumbersForTextAreWarnedAboutButRead)
{
    const std::string text =
        R"({"event":"Spring","Sections":1,"sections":[{"id":1,"name":"A","kind":"team","Caption":"x",)"
        R"("entries":[{"number":3,"Name":"Lions","title":7}]}]})";
    Json::Value value;
    ASSERT_TRUE(NumericJson::Parse(text, value));
    sim::Tournament t;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(sim::TournamentFromJson(value, t, error, &warnings)) << error;
    EXPECT_EQ(t.EntryCount(), 1u);
    const std::vector<std::string> expected = {
        "tournament: unknown member \"Sections\" is ignored (names are case-sensitive)",
        "section 1: unknown member \"Caption\" is ignored (names are case-sensitive)",
        "section 1, entry 1: unknown member \"Name\" is ignored (names are case-sensitive)",
        "section 1, entry 1: \"title\" should be a text in quotes; the number 7 is read as empty",
    };
    EXPECT_EQ(warnings, expected);

    // The file itself is named in every warning.
    sim::Tournament fromFile;
    TempDir dir;
    const std::string path = dir.Path() + "/t.json";
    std::ofstream(path) << text;
    warnings.clear();
    ASSERT_TRUE(sim::LoadTournamentFile(path, fromFile, error, &warnings)) << error;
    ASSERT_EQ(warnings.size(), expected.size());
    EXPECT_EQ(warnings[0], path + ": " + expected[0]);
}

TEST(TournamentFile, TheWrittenSampleIsIndentedAndReadsBackIdentically)
{
    const sim::Tournament sample = sim::SampleTournament();
    const std::string text = sim::TournamentFileText(sample);
    EXPECT_NE(text.find("\n  \"sections\" : \n  [\n"), std::string::npos) << text.substr(0, 200);
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 100);
    Json::Value value;
    ASSERT_TRUE(NumericJson::Parse(text, value));
    sim::Tournament back;
    std::string error;
    std::vector<std::string> warnings;
    ASSERT_TRUE(sim::TournamentFromJson(value, back, error, &warnings)) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(sim::TournamentFileText(back), text);
}

TEST(TournamentFile, TheDocumentedExampleLoadsAndServes)
{
    const std::string doc = ReadWholeFile(std::string(BP_SOURCE_DIR) + "/docs/scoring-server.md");
    const size_t start = doc.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    const size_t end = doc.find("```", start + 8);
    ASSERT_NE(end, std::string::npos);
    Json::Value value;
    ASSERT_TRUE(NumericJson::Parse(doc.substr(start + 8, end - start - 8), value));
    sim::Tournament t;
    std::string error;
    ASSERT_TRUE(sim::TournamentFromJson(value, t, error)) << error;
    sim::ScoringServer server(t, sim::ServerOptions());
    std::string summary;
    EXPECT_EQ(Listed(server.Handle(ListRequest("", "", false), summary)), "1:1 1:2* 3:5 3:-5");
    const ServerMessage team = server.Handle(PrintRequest(1, 1), summary);
    ASSERT_EQ(team.MsgId(), kMsgTeamScorecard);
    EXPECT_EQ(NumericJson::ReadText(team.GetArray("85")[0], "2").size(), 52u);
    EXPECT_EQ(server.Handle(PrintRequest(3, 5), summary).GetText("87"), "Open Pairs · NS5");
}

} // namespace
