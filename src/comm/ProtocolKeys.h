#pragma once
// The words of the scoring server's protocol: the message ids, and the names
// of the members the kiosk and the server exchange at the top level of a
// message. Members are numbered texts on the wire; naming them once here
// keeps the kiosk, the renderer and the reference server reading the same
// member for the same thing. The members inside the records (a board, a
// deal, a list entry) belong to those records and are named where they are
// read.

#include <cstdint>

// Message ids, carried in the member MsgKey::kId.
inline constexpr int32_t kMsgSignupList = 203;    // list request, and the list in reply
inline constexpr int32_t kMsgPrintRequest = 205;  // print request for one entry
inline constexpr int32_t kMsgTeamScorecard = 207; // reply: a team scorecard
inline constexpr int32_t kMsgPairScorecard = 208; // reply: a pair or individual scorecard
inline constexpr int32_t kMsgNote = 999;          // reply: a note to show

namespace MsgKey {

// Every message.
inline constexpr char kId[] = "pub_MsgID";
// Note.
inline constexpr char kNotes[] = "pub_Notes";

// List request.
inline constexpr char kVersion[] = "99";   // the kiosk's program version
inline constexpr char kAccessCode[] = "2"; // the code for self print
inline constexpr char kFilter[] = "61";    // the partial-print filter
inline constexpr char kConfirmed[] = "82"; // the request confirms new settings; echoed in the reply

// List reply.
inline constexpr char kEventText[] = "1";   // the event named in the footer
inline constexpr char kSignupList[] = "85"; // the list object, entries under "_o"

// Print request, and the scorecard replies naming the same entry.
inline constexpr char kSectionId[] = "11";
inline constexpr char kTeamNumber[] = "15";

// Scorecard replies.
inline constexpr char kScorecard[] = "66"; // team: the scorecard object; pair: the boards under "_L"
inline constexpr char kDeals[] = "85";     // the deals of the scorecard
inline constexpr char kEventKind[] = "81";
inline constexpr char kCaption[] = "83";     // team
inline constexpr char kScoreLabel[] = "102"; // team
inline constexpr char kTitle[] = "87";       // pair or individual
inline constexpr char kSubtitle[] = "88";    // pair or individual

} // namespace MsgKey
