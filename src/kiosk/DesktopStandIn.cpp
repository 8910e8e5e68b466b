// Until the self-print desktop exists, the frame hosts this plain child: it
// answers the language by the settings file and the locale, is never full
// screen, and lets every action through its gate.

#include "kiosk/FrameDesktop.h"
#include "settings/Setting_selfPrint_qiv.h"

#include <QWidget>

namespace {

class DesktopStandIn : public QWidget, public FrameDesktop {
public:
    explicit DesktopStandIn(QWidget* parent)
        : QWidget(parent)
    {
        settings.Load();
        setAutoFillBackground(true);
    }
    QWidget* Widget() override { return this; }
    LangIndex GetLanguage() override
    {
        if (settings.GetLangIndex() < 0)
            settings.SetLangIndex(DefaultLanguageForCodePage(OemCodePage()));
        return settings.GetLangIndex();
    }
    bool IsFullScreen() const override { return false; }
    bool AccessCodeGate() override { return true; }

private:
    Setting_selfPrint_qiv settings;
};

} // namespace

FrameDesktop* CreateFrameDesktop(QWidget* frame, const FrameServices&)
{
    return new DesktopStandIn(frame);
}
