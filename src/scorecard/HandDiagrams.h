#pragma once
// The hand diagrams printed under (and beside) the scorecard grid: for every
// deal the four hands around a table, the board number with dealer and
// vulnerability, the trick table, the high-card points (compact layout) and
// the auction of each room. Placement, layout choice and the auction texts
// are plain computations; drawing goes through the Canvas. All lengths are
// page units (0.01 mm); divisions truncate towards zero.

#include "foundation/LocText.h"
#include "platform/Canvas.h"
#include "render/DrawPrimitives.h"
#include "tournament/Bids.h"
#include "tournament/Deals.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The diagram colours: the suits in the four colours of every other suit
// sign on the page.
inline constexpr Colour kDiagramSpades = kSpadeColour;
inline constexpr Colour kDiagramHearts = kHeartColour;
inline constexpr Colour kDiagramDiamonds = kDiamondColour;
inline constexpr Colour kDiagramClubs = kClubColour;
inline constexpr Colour kTrickTableClubs = Rgb(0, 64, 0);
inline constexpr Colour kDiagramFrame = Rgb(0, 96, 0);
inline constexpr Colour kDiagramHeader = Rgb(25, 48, 122);
inline constexpr Colour kDiagramOutline = Rgb(128, 128, 128);
inline constexpr Colour kTrickTableRules = Rgb(96, 96, 96);
inline constexpr Colour kAuctionRules = Rgb(160, 160, 160);
inline constexpr Colour kAuctionOverflow = Rgb(128, 128, 128);

// The cell of deal k (from 0, in list order) of `dealCount` deals in the
// page body `area`: deals 1 to 8 in two lines of four along the bottom third,
// deals 9 to 12 stacked from the top in a column at the right a quarter of
// the body wide, and with 13 or more deals two such columns a fifth wide
// (9 to 12 in the inner one, 13 to 16 in the outer one).
Rect HandDiagramCell(const Rect& area, size_t dealCount, size_t k);
// The top of the band of diagrams along the bottom of `area` (and the bottom
// of the columns beside the grid): the grid has to end above it.
int32_t HandDiagramsTop(const Rect& area);

// A diagram is compact (high-card points shown, auctions up to five rows)
// unless an auction needs more than five rows and East holds no suit of
// eight cards; then it is expanded (auctions up to seven rows).
enum class DiagramLayout { Compact, Expanded };

struct DiagramChoice {
    DiagramLayout layout = DiagramLayout::Compact;
    int32_t openRows = 0;   // rows of each auction grid, already capped
    int32_t closedRows = 0;
};
// `auctionBoard` is the board number the auctions are padded by (the
// deal's own when 0).
DiagramChoice ChooseDiagramLayout(const Deal& deal, const Auction& open, const Auction& closed,
                                  int32_t auctionBoard = 0);

// What one auction grid shows: the texts of the positions in West, North,
// East, South order ("" for a blank position and a cancelled call, "-" for a
// pass, "3N" for 3NT, "X", "XX", and "/" as the end mark in place of the
// first of the three closing passes, after which nothing is shown), cut to
// the grid's rows x 4 cells; `overflow` when calls were cut, in which case
// the last cell is boxed.
struct AuctionGridPlan {
    int32_t rows = 5;       // at least five
    std::vector<std::u16string> texts;
    bool overflow = false;
};
AuctionGridPlan PlanAuctionGrid(const Auction& calls, int32_t board, int32_t rowCount);

// Where the parts of one diagram go in its cell.
struct DiagramGeometry {
    Rect centre;                 // the square in the middle of the cell
    std::array<Rect, 4> hands{}; // North, East, South, West
    Rect header;                 // board number, dealer and vulnerability
    Rect trickTable;
    Rect outline;                // the table outline drawn round the middle
    Rect openAuction;            // empty when the open room sent no call
    Rect closedAuction;
    int32_t handFont = 0;        // font height of the hands
    // The auction grids, which the hand lines must not run into.
    std::array<Rect, 2> handLineObstacles{};
};
DiagramGeometry LayOutDiagram(const Rect& cell, const Deal& deal, const DiagramChoice& choice, bool openTextGiven,
                              bool hasOpenCalls, bool hasClosedCalls);

// Suit line `line` (0 for spades) of the hand in `box`: a quarter of the
// box, stopped 60 units short of any of the `obstacles` (the auction grids)
// whose rows it would otherwise run into; the ranks shrink to what is left.
Rect HandLineRect(const Rect& box, int32_t line, const std::array<Rect, 2>& obstacles);

// What a hand record knows about a board beyond its number: the dealer and
// vulnerability written with the deal, and the seat that made the first call
// (which may differ from what the board number says).
struct BoardFacts {
    int32_t dealer = 0;
    int32_t vulnerability = 0;
    int32_t firstCaller = 0;
    // Whether the trick table shows 10 to 13 as digits, as printed hand
    // records do (scorecards show what the server sends: a to d).
    bool trickDigits = false;
};

// One diagram in `cell`. The auction texts are the two-bytes-per-call texts
// of the open and the closed room ("" when that room sent none). Dealer,
// vulnerability and the auction's first column follow the board number and
// `eventKind`, or `facts` when given.
void DrawOneDiagram(Canvas& dc, const Rect& cell, const Deal& deal, int32_t eventKind, LangIndex lang,
                    const std::string& openText, const std::string& closedText, const BoardFacts* facts = nullptr);

// One auction grid in `area` with `rowCount` rows (capped), the rules on the
// edge facing the middle of the diagram (bottom for the open room, top for
// the closed one) and on the left.
void DrawAuctionGrid(Canvas& dc, const Rect& area, const Auction& calls, bool closedRoom, int32_t rowCount,
                     int32_t board);

// The auction text of a board for the open (false) or closed (true) room.
using AuctionTextSource = std::function<std::string(int32_t board, bool closedRoom)>;

// Every diagram of `deals` in the page body `area`; nothing without deals
// or with more than sixteen.
void DrawHandDiagramsIn(Canvas& dc, const Rect& area, const DealList& deals, int32_t eventKind, LangIndex lang,
                        const AuctionTextSource& auctionText);
