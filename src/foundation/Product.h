#pragma once
// The product's own name and version, shown in the frame title and the page
// footers and sent to the scoring server.

#include "foundation/LocText.h"

#include <string>

inline constexpr const char* kProgramVersion = "7.26.15";

// "Quorvane" (any language but Chinese) or "奎沃桥牌" (Chinese); with
// `withVersion` followed by " V" and the version.
std::string ProductName(LangIndex lang, bool withVersion);

// The credit line at the foot of every printed page: " - by ", the maker's
// web address, two spaces, "V" and the version.
std::u16string CreditLineText();
