#include "platform/TouchStyle.h"

#include <QApplication>
#include <QScreen>
#include <QStyleOptionMenuItem>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kFloorPixels = 48;
constexpr double kTargetMillimetres = 9.0;
// Screens from a small tablet's to a large monitor's; outside this a screen
// reports no size or a made-up one.
constexpr double kLeastBelievableDpi = 60.0;
constexpr double kMostBelievableDpi = 400.0;

} // namespace

int TouchTargetPixels(double dotsPerInch)
{
    if (!(dotsPerInch >= kLeastBelievableDpi && dotsPerInch <= kMostBelievableDpi))
        return kFloorPixels;
    const int pixels = static_cast<int>(std::ceil(kTargetMillimetres / 25.4 * dotsPerInch));
    return std::max(kFloorPixels, pixels);
}

int TouchTargetPixels(const QScreen* screen)
{
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return kFloorPixels;
    return TouchTargetPixels(screen->physicalDotsPerInchY());
}

TouchStyle::TouchStyle(int targetPixels) : target(std::max(1, targetPixels))
{
}

QSize TouchStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                   const QWidget* widget) const
{
    QSize out = QProxyStyle::sizeFromContents(type, option, size, widget);
    switch (type) {
    case CT_MenuItem:
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            item != nullptr && item->menuItemType == QStyleOptionMenuItem::Separator)
            return out;
        // Styles draw the check mark's column in proportion to the row's
        // height: a taller row needs that much more width, or its text is
        // cut short.
        if (out.height() < target)
            out.setWidth(out.width() + target - out.height());
        break;
    case CT_PushButton:
    case CT_LineEdit:
    case CT_ComboBox:
    case CT_SpinBox:
    case CT_CheckBox:
    case CT_RadioButton:
    case CT_ItemViewItem:
    case CT_TabBarTab:
    case CT_ToolButton: break;
    default: return out;
    }
    out.setHeight(std::max(out.height(), target));
    return out;
}

int TouchStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    const int base = QProxyStyle::pixelMetric(metric, option, widget);
    switch (metric) {
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight: return std::max(base, target / 2);
    default: return base;
    }
}

void InstallTouchStyle()
{
    if (qobject_cast<TouchStyle*>(QApplication::style()) != nullptr)
        return;
    QApplication::setStyle(new TouchStyle(TouchTargetPixels(static_cast<const QScreen*>(nullptr))));
}

int TouchTargetPixelsInForce()
{
    if (const auto* style = qobject_cast<const TouchStyle*>(QApplication::style()))
        return style->TargetPixels();
    return TouchTargetPixels(static_cast<const QScreen*>(nullptr));
}
