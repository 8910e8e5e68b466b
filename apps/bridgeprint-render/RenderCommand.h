#pragma once
// The command line of bridgeprint-render and the rendering it runs: the
// options, their checks, reading the message, and printing it through the
// kiosk's scorecard windows to a PDF file and a PNG picture.

#include "foundation/LocText.h"
#include "scorecard/HandRecordView.h"
#include "scorecard/ScorecardRecords.h"
#include "tournament/HandRecords.h"

#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    bool help = false;
    bool version = false;
    bool testPage = false;
    std::string messagePath;
    std::string pbnPath;  // hand records: a PBN file
    std::string spooled;  // a spool entry: the path of its file or its id
    std::string spoolDir; // where an id is looked up; the kiosk's spool when empty
    std::string pdfPath;
    std::string pngPath;
    int dpi = 150;
    std::optional<LangIndex> lang; // the locale's choice when not given
    std::string eventText;
};

// Parses the arguments (without the program name). On a usage error returns
// false with a one-line explanation in `error`.
bool ParseRenderOptions(const std::vector<std::string>& args, RenderOptions& options, std::string& error);

// The --help text.
std::string RenderUsage();

// The built-in test page, or the message file read as the kiosk reads a
// message from the server, or the message kept in a spool entry read the
// same way. A file that is missing, not a JSON object or not a scorecard
// message (207 or 208), an entry file that is not an entry and an id found
// nowhere in the spool fail with one line in `error`; missing members of a
// scorecard message read as empty. Needs no Qt.
bool LoadRenderInput(const RenderOptions& options, ScorecardJob& input, std::string& error);

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
