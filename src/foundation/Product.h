#pragma once
// The product's own name and version, shown in the frame title and the page
// footers and sent to the scoring server.

#include "foundation/LocText.h"

#include <string>

// The project's version (CMakeLists.txt), the one place it is written.
extern const char* const kProgramVersion;

// "Quorvane" (any language but Chinese) or "奎沃桥牌" (Chinese); with
// `withVersion` followed by " V" and the version.
std::string ProductName(LangIndex lang, bool withVersion);

// The credit line at the foot of every printed page: " - by ", the maker's
// web address, two spaces, "V" and the version.
std::u16string CreditLineText();
