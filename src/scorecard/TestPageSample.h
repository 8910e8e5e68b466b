#pragma once
// The built-in sample behind the test page: a six-board team match read
// through the same readers as a real scorecard (a PBN text for the deals and
// a team scorecard object in the server's JSON), so that a director can check
// the printer and the whole page without a scoring server. The kiosk's test
// page and the headless renderer both print it from here.

#include "scorecard/ScorecardRecords.h"

#include <string>

// The event the sample belongs to, and its caption (event, section A,
// round 1, table 3).
inline constexpr const char kTestPageEventName[] = "春季桥牌公开赛";
inline constexpr const char kTestPageCaption[] = "春季桥牌公开赛 A 1轮 3桌";
inline constexpr const char kTestPageScoreLabel[] = "imp";

// Six boards numbered 1 to 6, each a Board tag line and a Deal tag line, the
// lines separated by CR, LF and three tabs.
const std::string& TestPagePbnText();
// One team scorecard object: the two team labels, the eight players, the
// totals "IMP,23,28;VP,7.67,12.33" and six board rows.
const std::string& TestPageScorecardJson();

// The sample as a team scorecard job: the scorecard and deals read from the
// two texts above, event kind 0, the score label and the caption.
TeamScorecardJob MakeTestPageJob();
