#include "foundation/Product.h"

const char* const kProgramVersion = BP_PROGRAM_VERSION;

std::string ProductName(LangIndex lang, bool withVersion)
{
    std::string name = lang == kLangChinese ? "奎沃桥牌" : "Quorvane";
    if (withVersion)
        name += std::string(" V") + kProgramVersion;
    return name;
}

std::u16string CreditLineText()
{
    return u" - by www.quorvane.example  V" + Utf8ToWide(kProgramVersion);
}
