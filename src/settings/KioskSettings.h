#pragma once
// The kiosk's settings: server address, access code, screen title, partial
// print filter, the two reprint switches and the display language. The
// record reads itself from and writes itself to "Self_Print.txt" in the data
// folder as one line of numeric-key JSON. The access code and the Swiss start
// round live in memory only.

#include "foundation/LocText.h"

#include <json/value.h>

#include <cstdint>
#include <string>

class KioskSettings {
public:
    KioskSettings() = default;
    virtual ~KioskSettings() = default;
    KioskSettings(const KioskSettings&) = default;
    KioskSettings& operator=(const KioskSettings&) = default;

    virtual std::string GetServerIp() const { return serverIp; }
    virtual void SetServerIp(const std::string& v) { serverIp = v; }
    virtual std::string GetAccessCode() const { return accessCode; }
    virtual void SetAccessCode(const std::string& v) { accessCode = v; }
    virtual std::string GetTitle() const { return title; }
    virtual void SetTitle(const std::string& v) { title = v; }
    virtual bool GetReprintAllowed() const { return reprintAllowed; }
    virtual void SetReprintAllowed(bool v) { reprintAllowed = v; }
    virtual bool GetCodeRequired() const { return codeRequired; }
    virtual void SetCodeRequired(bool v) { codeRequired = v; }
    virtual std::string GetPartialFilter() const { return partialFilter; }
    virtual void SetPartialFilter(const std::string& v) { partialFilter = v; }
    virtual int32_t GetSwissStartRound() const { return swissStartRound; }
    virtual void SetSwissStartRound(int32_t v) { swissStartRound = v; }
    virtual LangIndex GetLangIndex() const { return language; }
    virtual void SetLangIndex(LangIndex v) { language = v; }

    // `serverIp`, or the built-in default address when it is empty.
    std::string GetServerIpOrDefault() const;

    void ToJson(Json::Value& out) const;
    void FromJson(const Json::Value& in);

    // Reads the settings file; a missing or empty file changes nothing.
    void Load();
    // Reads the content of a settings file, as Load() does after reading the
    // file: an empty text changes nothing, a text that does not parse keeps
    // what was read before the error.
    void LoadFromText(const std::string& text);
    // Writes the settings file; a record with nothing to persist leaves the
    // file as it is. False when the file could not be written (the caller
    // says so: the settings stay in force but a restart loses them).
    bool Save() const;

    // The settings file of this run: DataFolder() + "Self_Print.txt", in the
    // folder the command line settled on. Tests point it elsewhere.
    static std::string FilePath();
    static void SetFilePathForTesting(const std::string& path);

private:
    std::string serverIp;
    std::string accessCode;
    std::string title;
    bool reprintAllowed = false;
    bool codeRequired = false;
    std::string partialFilter;
    int32_t swissStartRound = 0;
    LangIndex language = -1;
};

// The built-in default scoring-server address offered by the settings dialog.
// It is a private-network address that only exists on a tournament's own LAN.
inline constexpr const char* kDefaultServerIp = "192.168.1.100";
