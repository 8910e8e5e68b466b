// Fuzz target settings: the content of the settings file read the way the
// kiosk reads it at start-up, then written in the file's form and read back.
// Nothing touches the disk: the reader takes the file's text.

#include "FuzzCheck.h"

#include "foundation/NumericJson.h"
#include "settings/KioskSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    KioskSettings settings;
    settings.LoadFromText(fuzz::AsText(data, size));
    (void)settings.GetServerIpOrDefault();

    // What the kiosk saves it must read back unchanged.
    Json::Value written;
    settings.ToJson(written);
    KioskSettings back;
    back.LoadFromText(NumericJson::WriteCompact(written) + "\n");
    FUZZ_CHECK(back.GetServerIp() == settings.GetServerIp());
    FUZZ_CHECK(back.GetTitle() == settings.GetTitle());
    FUZZ_CHECK(back.GetReprintAllowed() == settings.GetReprintAllowed());
    FUZZ_CHECK(back.GetCodeRequired() == settings.GetCodeRequired());
    FUZZ_CHECK(back.GetPartialFilter() == settings.GetPartialFilter());
    FUZZ_CHECK(back.GetLangIndex() == settings.GetLangIndex());
    return 0;
}
