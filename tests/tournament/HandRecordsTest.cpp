// Hand records read from PBN files as directors bring them: what is accepted,
// what each board becomes, and the message for each kind of bad file.

#include "tournament/HandRecords.h"

#include "foundation/TextUtil.h"
#include "tournament/Bids.h"
#include "tournament/BridgeBasics.h"

#include <gtest/gtest.h>

namespace {

const char* const kDeal1 = "N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64";

std::string Game(int board, const std::string& deal, const std::string& extra = "")
{
    return "[Board \"" + std::to_string(board) + "\"]\n" + extra + "[Deal \"" + deal + "\"]\n\n";
}

} // namespace

TEST(HandRecords, ReadsAResultsFileAsItsBoards)
{
    // A results file: the event tags, comments of every kind, each board
    // played at two tables (the second game copying the deal with "#"),
    // tags that override the board number's dealer and vulnerability, an
    // auction with notes and "AP", and a double-dummy tag on board 2.
    const std::string text = "% PBN 2.1\n"
                             "[Event \"Spring Pairs\"]\n[Site \"Hall 2\"]\n[Date \"2026.12.10\"]\n"
                             "{ a comment\n over two lines }\n" +
                             Game(1, kDeal1, "[Dealer \"N\"]\n[Vulnerable \"None\"]\n") +
                             "[Board \"1\"]\n[Deal \"#\"]\n[Result \"9\"]\n\n"
                             "[Board \"2\"] ; second board\n[Dealer \"W\"]\n[Vulnerable \"All\"]\n"
                             "[Deal \"E:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432\"]\n"
                             "[DoubleDummyTricks \"00d0d00d0d0d0d00d0d0\"]\n"
                             "[Auction \"W\"]\n1S =1= 2H! X $4 AP\n[Note \"1:strong\"]\n[Note \"2:other\"]\n";
    HandRecordFile file;
    std::string error;
    ASSERT_TRUE(ReadHandRecords(text, "spring.pbn", file, error)) << error;
    EXPECT_EQ(HandRecordTitle(file), "Spring Pairs, Hall 2, 2026.12.10");
    ASSERT_EQ(file.boards.size(), 2u);

    const HandRecordBoard& one = file.boards[0];
    EXPECT_EQ(one.deal.GetBoard(), 1);
    EXPECT_TRUE(IsValidDeal(one.deal.GetDeal()));
    EXPECT_EQ(RankLetters(SuitCards(one.deal.Hand(kSeatEast), kSuitSpades)), "KJ9763");
    EXPECT_EQ(one.deal.HighCardPoints(kSeatNorth), 17);
    EXPECT_EQ(one.dealer, kSeatNorth);
    EXPECT_EQ(one.vulnerability, kVulNone);
    EXPECT_TRUE(one.auction.empty());
    EXPECT_FALSE(one.tricksFromFile);

    const HandRecordBoard& two = file.boards[1];
    EXPECT_EQ(two.dealer, kSeatWest);          // the tag, not board 2's East
    EXPECT_EQ(two.vulnerability, kVulBoth);    // the tag, not board 2's NS
    EXPECT_EQ(RankLetters(SuitCards(two.deal.Hand(kSeatEast), kSuitSpades)), "AKQJT98765432");
    // The tag's declarers run N S E W with strains NT S H D C; the trick
    // texts run N E S W with strains C D H S NT.
    ASSERT_TRUE(two.tricksFromFile);
    EXPECT_EQ(two.deal.GetTrickTexts(), "d0d000d0d0d0d000d0d0");
    EXPECT_EQ(two.auctionFirst, kSeatWest);
    const Auction calls = AuctionFromText(two.auction);
    ASSERT_EQ(calls.size(), 6u); // 1S 2H X and the three passes of "AP"
    EXPECT_EQ(BidText(calls[0].GetCode()), "1S");
    EXPECT_EQ(BidText(calls[1].GetCode()), "2H");
    EXPECT_EQ(two.auction[3], '!');
    EXPECT_EQ(calls[2].GetCode(), kBidDouble);
    EXPECT_EQ(calls[5].GetCode(), kBidPass);
}

TEST(HandRecords, FillsTheOneUnknownHandAndNumbersByTheBoard)
{
    HandRecordFile file;
    std::string error;
    ASSERT_TRUE(ReadHandRecords(Game(7, "N:AQ4.KJ5.KQ73.Q82 - 82.9743.9865.J73 t5.qt62.at2.at64"), "f", file, error))
        << error;
    ASSERT_EQ(file.boards.size(), 1u);
    EXPECT_EQ(RankLetters(SuitCards(file.boards[0].deal.Hand(kSeatEast), kSuitSpades)), "KJ9763");
    EXPECT_EQ(file.boards[0].dealer, BoardDealer(7));
    EXPECT_EQ(file.boards[0].vulnerability, BoardVulnerability(7, 0));
    EXPECT_EQ(HandRecordTitle(file), "");
}

TEST(HandRecords, BadFilesNameTheBoardAndTheCard)
{
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {Game(3, "N:AQ4.KJ5.KQ73.Q8 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64"),
         "f: board 3: North holds 12 cards, not 13; C2 is in no hand"},
        {Game(4, "N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT6Q"),
         "f: board 4: CQ is in both North's and West's hands"},
        {Game(5, "N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.A64"),
         "f: board 5: West holds 12 cards, not 13; CT is in no hand"},
        {Game(6, "N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AX64"),
         "f: board 6: West's hand \"T5.QT62.AT2.AX64\" has 'X', which is not a rank (2-9, T, J, Q, K, A)"},
        {Game(8, "N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73"),
         "f: board 8: the deal \"N:AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73\" gives 3 hands, not four"},
        {Game(9, "AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64"),
         "f: board 9: the deal \"AQ4.KJ5.KQ73.Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64\" does not "
         "start with the first hand's seat (\"N:\", \"E:\", \"S:\" or \"W:\")"},
        {Game(10, "N:AQ4.KJ5.KQ73Q82 KJ9763.A8.J4.K95 82.9743.9865.J73 T5.QT62.AT2.AT64"),
         "f: board 10: North's hand \"AQ4.KJ5.KQ73Q82\" has 3 suits; a hand is written spades.hearts.diamonds.clubs"},
        {Game(11, "N:AQ4.KJ5.KQ73.Q82 - 82.9743.9865.J73 -"),
         "f: board 11: the hands of East and West are both unknown (\"-\"); a hand record needs at least three of "
         "the four"},
        {Game(12, kDeal1, "[Dealer \"Q\"]\n"), "f: board 12: Dealer \"Q\" is not N, E, S or W"},
        {Game(13, kDeal1, "[Vulnerable \"Some\"]\n"), "f: board 13: Vulnerable \"Some\" is not None, NS, EW or All"},
        {"[Board \"14\"]\n[Deal \"" + std::string(kDeal1) + "\"]\n[Auction \"N\"]\n1C Pass 1Z\n",
         "f: board 14: the auction (line 4) has \"1Z\", which is not a call"},
        {"[Deal \"" + std::string(kDeal1) + "\"]\n", "f: the deal on line 1 has no Board tag"},
        {"[Board \"x\"]\n[Deal \"" + std::string(kDeal1) + "\"]\n",
         "f: the deal on line 2 has the board number \"x\", which is not a number from 1"},
        {Game(1, kDeal1) + Game(1, "N:KJ9763.A8.J4.K95 AQ4.KJ5.KQ73.Q82 82.9743.9865.J73 T5.QT62.AT2.AT64"),
         "f: board 1 appears twice with different deals (lines 2 and 5)"},
        {"[Event \"Spring\"]\n", "f holds no deal (no game with a Deal tag)"},
        {"[Board \"1\"]\n[Deal \"N:AQ4", "f: line 2: the value of the tag Deal is not closed with '\"'"},
        {"{ never closed\n" + Game(1, kDeal1), "f: line 1: a comment opened with '{' is never closed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HandRecordFile file;
        std::string error;
        EXPECT_FALSE(ReadHandRecords(c.text, "f", file, error));
        EXPECT_EQ(error, c.message);
        EXPECT_TRUE(file.boards.empty());
    }
}

TEST(HandRecords, DoubleDummyTagsThatAreNotTablesAreIgnored)
{
    for (const std::string tag : {"-", "****", "0d0d0d0d00d0d0d0d0d", "0d0d0d0d00d0d0d0d0dz"}) {
        SCOPED_TRACE(tag);
        EXPECT_EQ(TrickTextFromPbn(tag), "");
    }
    EXPECT_EQ(TrickTextFromPbn("89ABC01234567890abcd").size(), 20u);
}

TEST(HandRecords, AnOptimumResultTableGivingEveryResultIsTheTrickTable)
{
    // The one-suit-each deal: North-South take 13 tricks in spades and
    // diamonds, East-West in hearts and clubs, nobody any in no trump.
    std::string rows;
    for (const char* seat : {"N", "S", "E", "W"})
        for (const char* strain : {"NT", "S", "H", "D", "C"}) {
            const bool northSouth = seat[0] == 'N' || seat[0] == 'S';
            const bool made = strain[0] == 'S' || strain[0] == 'D' ? northSouth
                                                                    : (strain[0] == 'H' || strain[0] == 'C') && !northSouth;
            rows += std::string(seat) + " " + strain + " " + (made ? "13" : "0") + "\n";
        }
    const std::string deal = "N:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432";
    const std::string header = "[OptimumResultTable \"Declarer;Denomination\\2R;Result\\2R\"]\n";
    HandRecordFile file;
    std::string error;
    ASSERT_TRUE(ReadHandRecords(Game(1, deal, header + rows), "f", file, error)) << error;
    ASSERT_TRUE(file.boards[0].tricksFromFile);
    EXPECT_EQ(file.boards[0].deal.GetTrickTexts(), "0d0d0d0d000d0d0d0d00");

    // A row missing, or a result that is not one, leaves the board to be
    // solved.
    for (const std::string& broken : {rows.substr(0, rows.rfind("W C")), ReplaceAll(rows, "N S 13", "N S 14")}) {
        ASSERT_TRUE(ReadHandRecords(Game(1, deal, header + broken), "f", file, error)) << error;
        EXPECT_FALSE(file.boards[0].tricksFromFile);
        EXPECT_EQ(file.boards[0].deal.GetTrickTexts(), "");
    }
}

TEST(HandRecords, AnAbilityTagGivingEveryDeclarerIsTheTrickTable)
{
    // As dealing programs write it: a group a declarer, tricks for NT S H D
    // C in hex digits, in any order of declarers and either case.
    const std::string deal = "N:AKQJT98765432... .AKQJT98765432.. ..AKQJT98765432. ...AKQJT98765432";
    HandRecordFile file;
    std::string error;
    ASSERT_TRUE(ReadHandRecords(Game(1, deal, "[Ability \"E:0d0d0 N:0D0d0  S:0d0d0 W:0d0d0\"]\n"), "f", file, error))
        << error;
    ASSERT_TRUE(file.boards[0].tricksFromFile);
    EXPECT_EQ(file.boards[0].deal.GetTrickTexts(), "0d0d00d0d00d0d00d0d0");

    // Anything short of the whole table leaves the board to be solved.
    for (const char* broken : {"N:0d0d0 E:0d0d0 S:0d0d0", "N:0d0d0 E:0d0d0 S:0d0d0 N:0d0d0",
                               "N:0d0d0 E:0d0d0 S:0d0d0 W:0d0e0", "N:0d0d0 E:0d0d0 S:0d0d0 W:0d0d",
                               "N:0d0d0 E:0d0d0 S:0d0d0 X:0d0d0", ""}) {
        SCOPED_TRACE(broken);
        ASSERT_TRUE(ReadHandRecords(Game(1, deal, std::string("[Ability \"") + broken + "\"]\n"), "f", file, error))
            << error;
        EXPECT_FALSE(file.boards[0].tricksFromFile);
    }
}

TEST(HandRecords, TheFilesCharacterSetIsReadAsItSaysOrAsTheBytesShow)
{
    const struct {
        const char* name;
        std::string bytes;
        std::string utf8; // "" when refused
    } cases[] = {
        {"ascii", "[Event \"Pairs\"]", "[Event \"Pairs\"]"},
        {"utf-8", "[Event \"p\xc3\xa1rov\xc3\xbd\"]", "[Event \"p\xc3\xa1rov\xc3\xbd\"]"},
        {"utf-8 with a mark", "\xef\xbb\xbf[Event \"\xe5\x86\xac\"]", "[Event \"\xe5\x86\xac\"]"},
        {"latin-1 undeclared", "[Event \"p\xe1rov\xfd\"]", "[Event \"p\xc3\xa1rov\xc3\xbd\"]"},
        // An overlong form and a lone continuation byte are not UTF-8.
        {"not quite utf-8", "[Event \"\xc0\xaf \x80\"]", "[Event \"\xc3\x80\xc2\xaf \xc2\x80\"]"},
        {"latin-1 declared", "%Content-Type: text/x-pbn; charset=\"ISO-8859-1\"\n[Event \"\xe9\"]",
         "%Content-Type: text/x-pbn; charset=\"ISO-8859-1\"\n[Event \"\xc3\xa9\"]"},
        {"windows-1252", "%Content-type: text/x-pbn; charset=cp1252\n\x80\x93",
         "%Content-type: text/x-pbn; charset=cp1252\n\xe2\x82\xac\xe2\x80\x9c"},
        // A declaration after the first tag is the text of a note, not one.
        {"late declaration", "[Event \"\xe9\"]\n%charset=UTF-8", "[Event \"\xc3\xa9\"]\n%charset=UTF-8"},
        {"utf-8 declared, latin-1 written", "%Content-type: text/x-pbn; charset=UTF-8\n\n[Event \"\xe9\"]", ""},
        {"unknown", "%Content-type: text/x-pbn; charset=EBCDIC\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string utf8, error;
        EXPECT_EQ(DecodePbnText(c.bytes, utf8, error), !c.utf8.empty()) << error;
        if (!c.utf8.empty()) {
            EXPECT_EQ(utf8, c.utf8);
        }
    }
    // The bad byte's line, and its board when it comes after one.
    std::string utf8, error;
    ASSERT_FALSE(DecodePbnText("%Content-type: text/x-pbn; charset=UTF-8\n\n[Event \"\xe9\"]", utf8, error));
    EXPECT_EQ(error, "line 3 is not UTF-8, the character set the file declares");
    ASSERT_FALSE(DecodePbnText("\xef\xbb\xbf[Board \"1\"]\n\n[Board \"12\"]\r\n[Deal \"N:\xe9\"]", utf8, error));
    EXPECT_EQ(error, "board 12: line 4 is not UTF-8, the character set the file marks");
}

TEST(HandRecords, TitleDirectivesStandInForEmptyTags)
{
    const std::string directives = "%HRTitleEvent \"Club Pairs\"\n%HRTitleSite Hall 2\n%HRTitleDate \"2026.12.11\"\n";
    HandRecordFile file;
    std::string error;
    ASSERT_TRUE(ReadHandRecords(directives + "[Event \"\"]\n" + Game(1, kDeal1), "f", file, error)) << error;
    EXPECT_EQ(HandRecordTitle(file), "Club Pairs, Hall 2, 2026.12.11");
    // A title in the tags is the file's own and wins.
    ASSERT_TRUE(ReadHandRecords(directives + "[Event \"Spring Pairs\"]\n" + Game(1, kDeal1), "f", file, error));
    EXPECT_EQ(HandRecordTitle(file), "Spring Pairs");
}

TEST(HandRecords, BoardsAreChosenByNumbersAndRangesInTheFilesOrder)
{
    std::string text;
    for (const int board : {5, 1, 2, 3, 4, 9})
        text += Game(board, kDeal1);
    const struct {
        const char* ranges;
        std::vector<int32_t> boards; // empty: refused
    } cases[] = {
        {"1-3", {1, 2, 3}},
        {"9, 1-2 ,4", {1, 2, 4, 9}},
        {"3-100", {5, 3, 4, 9}},
        {"4,4,3-4", {3, 4}},
        {"6", {}},
        {"6-8", {}},
        {"3-1", {}},
        {"0", {}},
        {"a", {}},
        {"1,", {}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ranges);
        HandRecordFile file;
        std::string error;
        ASSERT_TRUE(ReadHandRecords(text, "f", file, error)) << error;
        const bool chosen = SelectHandRecordBoards(file, c.ranges, error);
        EXPECT_EQ(chosen, !c.boards.empty()) << error;
        std::vector<int32_t> boards;
        for (const HandRecordBoard& b : file.boards)
            boards.push_back(b.deal.GetBoard());
        // Refused, the file is as it was.
        const std::vector<int32_t> all{5, 1, 2, 3, 4, 9};
        EXPECT_EQ(boards, c.boards.empty() ? all : c.boards);
    }
}
