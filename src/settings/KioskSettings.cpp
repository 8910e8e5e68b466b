#include "settings/KioskSettings.h"

#include "foundation/Files.h"
#include "foundation/NumericJson.h"

namespace {

std::string& OverridePath()
{
    static std::string path;
    return path;
}

} // namespace

std::string KioskSettings::GetServerIpOrDefault() const
{
    return serverIp.empty() ? std::string(kDefaultServerIp) : serverIp;
}

void KioskSettings::ToJson(Json::Value& out) const
{
    NumericJson::WriteText(out, "1", serverIp);
    NumericJson::WriteText(out, "5", title);
    NumericJson::WriteFlag(out, "11", reprintAllowed);
    NumericJson::WriteFlag(out, "12", codeRequired);
    NumericJson::WriteText(out, "7", partialFilter);
    NumericJson::WriteInt(out, "9", language);
}

void KioskSettings::FromJson(const Json::Value& in)
{
    serverIp = NumericJson::ReadText(in, "1");
    title = NumericJson::ReadText(in, "5");
    reprintAllowed = NumericJson::ReadFlag(in, "11");
    codeRequired = NumericJson::ReadFlag(in, "12");
    partialFilter = NumericJson::ReadText(in, "7");
    // A language of the wrong type reads like a missing one: Chinese.
    language = NumericJson::ReadInt(in, "9");
}

std::string KioskSettings::FilePath()
{
    if (!OverridePath().empty())
        return OverridePath();
    // Not kept from the first call: the data folder is settled by the
    // command line, and nothing may fix the path before that.
    return DataFolder() + "Self_Print.txt";
}

void KioskSettings::SetFilePathForTesting(const std::string& path)
{
    OverridePath() = path;
}

void KioskSettings::Load()
{
    LoadFromText(ReadWholeFile(FilePath()));
}

void KioskSettings::LoadFromText(const std::string& text)
{
    if (text.empty())
        return;
    Json::Value value;
    NumericJson::Parse(text, value); // a partial parse keeps what was read
    FromJson(value);
}

bool KioskSettings::Save() const
{
    Json::Value value;
    ToJson(value);
    if (value.isNull() || value.empty())
        return true;
    // The message WriteWholeFile gives is not shown: the caller says what
    // failed in its own words.
    return WriteWholeFile(FilePath(), NumericJson::WriteCompact(value) + "\n", language < 0 ? 0 : language).empty();
}
