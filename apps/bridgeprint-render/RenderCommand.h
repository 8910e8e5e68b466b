#pragma once
// The command line of bridgeprint-render and the rendering it runs: the
// options, their checks, reading the messages, and printing them through the
// kiosk's scorecard windows to a PDF file and a PNG picture. Several
// scorecards print into one PDF, one after another.

#include "foundation/LocText.h"
#include "scorecard/HandRecordView.h"
#include "scorecard/ScorecardRecords.h"
#include "tournament/HandRecords.h"

#include <optional>
#include <string>
#include <vector>

// One scorecard input as given on the command line.
struct RenderInput {
    enum class Kind {
        Message, // --message: a message file, or a folder of them
        Spooled, // --spooled: a spool entry, the path of its file or its id
        Journal, // --journal: every scorecard a print journal says was spooled
    };
    Kind kind = Kind::Message;
    std::string value;
};

struct RenderOptions {
    bool help = false;
    bool version = false;
    bool testPage = false;
    std::vector<RenderInput> inputs; // in command-line order, the order on paper
    std::string pbnPath;             // hand records: a PBN file (printed alone)
    std::string spoolDir;            // where an id is looked up; the kiosk's spool when empty
    std::string pdfPath;
    std::string pngPath;
    int dpi = 150;
    std::optional<LangIndex> lang; // the locale's choice when not given
    std::string eventText;
    // Hand records only: the boards to print ("1-16,20"; all when empty),
    // deals a page (16, 8 or 4) and the paper (A4 or Letter).
    std::string boards;
    int perPage = 16;
    bool letter = false;
};

// Parses the arguments (without the program name). On a usage error returns
// false with a one-line explanation in `error`.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

// The --help text.
std::string RenderUsage();

// One scorecard to read, once the inputs are expanded: a folder into its
// files, a journal and an id into the spool's entry files.
struct ScorecardSource {
    enum class Kind {
        Message,  // a message file
        Entry,    // a spool entry file
        InFolder, // a file of a folder: an entry when it is one, else a message
    };
    Kind kind = Kind::Message;
    std::string path;
};

// Checks that the outputs' folders exist and expands the inputs, in order,
// into the scorecards they hold (none for the test page). A folder gives its
// *.json files in name order; a journal the entries of its "spooled" events
// in its order, each id once over all journals; an id its entry file in the
// spool folder, its done/ or its discarded/. A folder without scorecards, a
// journal that spooled none and an id found nowhere fail with one line in
// `error`. Only folders and journals are read here. Needs no Qt.
bool ListScorecards(const RenderOptions& options, std::vector<ScorecardSource>& sources, std::string& error);

// Reads one scorecard as the kiosk reads a message from the server: a
// message file, or the message kept in a spool entry. A file that is
// missing, not a JSON object or not a scorecard message (207 or 208) and an
// entry file that is not an entry fail with one line in `error` naming the
// file; missing members of a scorecard message read as empty. Needs no Qt.
bool LoadScorecard(const ScorecardSource& source, ScorecardJob& input, std::string& error);

// The one scorecard of a single render: the built-in test page, or the only
// source read with LoadScorecard.
bool LoadRenderInput(const RenderOptions& options, const std::vector<ScorecardSource>& sources, ScorecardJob& input,
                     std::string& error);

// Hand records: the PBN file read (any fault in it fails with one line
// naming the board and the card), each board's trick table taken from the
// file or else worked out by the double-dummy solver, and the par of every
// board. Needs no Qt.
struct HandRecordInput {
    HandRecordFile file;
    std::vector<BoardPar> pars; // index for index with file.boards
};
bool LoadHandRecordInput(const RenderOptions& options, HandRecordInput& input, std::string& error);

// Prints hand records through the hand-record pages and the print job, with
// the same promise as RenderScorecard. Needs a QApplication.
bool RenderHandRecords(const RenderOptions& options, const HandRecordInput& input, std::string& error);

// Prints the input through the kiosk's scorecard windows and print job and
// writes the outputs. They appear only when everything succeeded; on failure
// `error` holds one line naming the problem and nothing is left behind.
// Needs a QApplication.
bool RenderScorecard(const RenderOptions& options, const ScorecardJob& input, std::string& error);

// Prints several scorecards into the one PDF file of --pdf: a single print
// document on which every page of every scorecard is painted as the print
// job paints it, in the order of `sources`. Each scorecard is read, laid
// out, painted and released before the next, so memory does not grow with
// their number. When standard error is a terminal a progress line shows the
// scorecard at hand. On failure `error` names the scorecard and no file is
// left behind. Needs a QApplication.
bool RenderScorecards(const RenderOptions& options, const std::vector<ScorecardSource>& sources, std::string& error);
