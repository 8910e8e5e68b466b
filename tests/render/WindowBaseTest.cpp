#include "render/WindowBase.h"

#include "support/FixedRootServices.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

// A root that wants the focus on hover, with colours and texts of its own so
// that none of them passes for a default.
FixedRootServices HoverRoot()
{
    FixedRootServices root;
    root.themeColour = [](int32_t index) { return Rgb(index, index, index); };
    root.creditLine = u" - by test";
    root.eventText = u"Event";
    root.hoverFocus = true;
    return root;
}

class Window : public WindowBase {
public:
    int32_t placement = 1;
    bool close = false;
    int32_t contentHeight = 0;
    int32_t OptionsButtonPlacement() override { return placement; }
    bool HasCloseButton() override { return close; }
    int32_t GetContentHeight() override { return contentHeight; }
};

void Wheel(WindowBase& w, int delta)
{
    QWheelEvent e(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.viewport(), &e);
}

} // namespace

TEST(CornerButtons, GeometryScalesWithTheScreen)
{
    // A 1080-pixel-high screen: unit 34, button font 26 pixels high.
    EXPECT_EQ(ScreenUnitFor(1080), 34);
    EXPECT_EQ(ButtonFontPixelHeight(34), 26);
    const Rect client{0, 0, 800, 600};
    struct Case {
        const char* name;
        int32_t placement;
        bool close, wide;
        Rect closeRect, optionsRect;
    } cases[] = {
        {"close and narrow options, top right", 1, true, false, {749, 0, 800, 34}, {596, 0, 749, 34}},
        {"close and wide options", 1, true, true, {749, 0, 800, 34}, {511, 0, 749, 34}},
        {"options alone take the corner", 1, false, false, {}, {647, 0, 800, 34}},
        {"bottom right", 2, true, false, {749, 566, 800, 600}, {596, 566, 749, 600}},
        {"no options: close stays top right", 0, true, false, {749, 0, 800, 34}, {}},
    };
    for (const Case& c : cases) {
        const CornerButtonRects r = LayoutCornerButtonRects(client, 34, c.placement, c.close, c.wide);
        EXPECT_EQ(r.close, c.closeRect) << c.name;
        EXPECT_EQ(r.options, c.optionsRect) << c.name;
    }
}

TEST(WindowBase, RootLookupAndServices)
{
    FixedRootServices services = HoverRoot();
    Window root, child, grandchild;
    root.CreateInWidget(nullptr, 0);
    child.Create(&root, 7);
    grandchild.Create(&child, 8);
    EXPECT_EQ(root.GetRootWindow(), &root);
    EXPECT_EQ(grandchild.GetRootWindow(), &root);
    EXPECT_EQ(grandchild.objectName(), QStringLiteral("8"));
    EXPECT_EQ(grandchild.GetWndId(), 8);

    // Without services on the root: the defaults.
    EXPECT_FALSE(grandchild.Services().WantsHoverFocus());
    EXPECT_EQ(grandchild.Services().GetThemeColour(11), kWhite);

    root.SetRootServices(&services);
    EXPECT_EQ(grandchild.GetLanguage(), kLangEnglish);
    EXPECT_EQ(grandchild.GetCaption(), u"Options");
    services.lang = kLangChinese;
    EXPECT_EQ(grandchild.GetCaption(), u"-操作-");
    EXPECT_EQ(grandchild.Services().CreditLine(), u" - by test");

    // A window without owner asks its own services.
    Window alone;
    FixedRootServices own = HoverRoot();
    own.lang = kLangEnglish;
    alone.SetRootServices(&own);
    EXPECT_EQ(alone.GetRootWindow(), &alone);
    EXPECT_EQ(alone.GetLanguage(), kLangEnglish);
}

TEST(WindowBase, PointerTakesTheFocusWhenTheRootWantsIt)
{
    FixedRootServices services = HoverRoot();
    Window w;
    w.SetRootServices(&services);
    w.CreateInWidget(nullptr, 5);
    w.resize(300, 200);
    w.show();
    QApplication::setActiveWindow(&w);
    w.clearFocus();
    ASSERT_FALSE(w.hasFocus());
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 20), QPointF(20, 20), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(w.viewport(), &move);
    EXPECT_TRUE(w.hasFocus());

    // Without a root that wants it (the defaults), the focus stays put.
    Window plain;
    plain.CreateInWidget(nullptr, 6);
    plain.resize(300, 200);
    plain.show();
    QApplication::setActiveWindow(&plain);
    plain.clearFocus();
    QCoreApplication::sendEvent(plain.viewport(), &move);
    EXPECT_FALSE(plain.hasFocus());
}

TEST(WindowBase, ButtonsAreCreatedOnlyWhenTheyCanExist)
{
    FixedRootServices services = HoverRoot();
    services.lang = kLangEnglish;

    Window noOptions;
    noOptions.placement = 0;
    noOptions.close = true;
    noOptions.SetRootServices(&services);
    noOptions.CreateInWidget(nullptr, 1);
    EXPECT_EQ(noOptions.OptionsButton(), nullptr);
    noOptions.resize(400, 300);
    noOptions.LayoutButtons();
    ASSERT_NE(noOptions.CloseButton(), nullptr);
    EXPECT_EQ(noOptions.OptionsButton(), nullptr);
    EXPECT_EQ(noOptions.CloseButton()->text(), QStringLiteral("X"));
    const int u = ScreenUnit();
    EXPECT_EQ(noOptions.CloseButton()->geometry(),
              QRect(noOptions.ClientRect().right - (3 * u) / 2, 0, (3 * u) / 2, u));

    Window withOptions;
    withOptions.SetRootServices(&services);
    withOptions.CreateInWidget(nullptr, 2);
    ASSERT_NE(withOptions.OptionsButton(), nullptr);
    EXPECT_EQ(withOptions.OptionsButton()->text(), QStringLiteral("Options"));
    EXPECT_EQ(withOptions.CloseButton(), nullptr);
}

TEST(WindowBase, CloseButtonHidesAndOptionsButtonOpensTheMenu)
{
    struct MenuWindow : Window {
        std::vector<int32_t> menus;
        void OnMenu(int32_t source) override { menus.push_back(source); }
    } w;
    w.close = true;
    w.CreateInWidget(nullptr, 3);
    w.resize(300, 200);
    w.show();
    w.LayoutButtons();
    w.OptionsButton()->click();
    EXPECT_EQ(w.menus, std::vector<int32_t>{0});
    EXPECT_TRUE(w.isVisible());
    w.CloseButton()->click();
    EXPECT_FALSE(w.isVisible());
}

TEST(WindowBase, ScrollingByWheelAndBar)
{
    Window w;
    w.CreateInWidget(nullptr, 4);
    w.resize(400, 332);
    w.show();
    const int32_t h = w.ClientRect().Height();

    // Content that fits: the wheel does nothing.
    w.contentHeight = h - 5;
    w.UpdateScrollBar();
    EXPECT_EQ(w.ScrollLimit(), 0);
    Wheel(w, -120);
    EXPECT_EQ(w.ScrollPosition(), 0);

    // Tall content: each wheel notch moves a sixteenth of the client height,
    // and stops at the ends.
    w.contentHeight = 3 * h;
    w.UpdateScrollBar();
    const int32_t limit = w.ScrollLimit();
    const int32_t hh = w.ClientRect().Height();
    ASSERT_EQ(limit, 2 * hh);
    Wheel(w, -120);
    EXPECT_EQ(w.ScrollPosition(), hh / 16);
    Wheel(w, 120);
    Wheel(w, 120);
    EXPECT_EQ(w.ScrollPosition(), 0);

    // The bar's line and page steps: h / 16 and 90 % of h.
    QScrollBar* bar = w.verticalScrollBar();
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(w.ScrollPosition(), (hh * 90) / 100);
    bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(w.ScrollPosition(), (hh * 90) / 100 - hh / 16);
    bar->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(w.ScrollPosition(), limit);
    bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(w.ScrollPosition(), limit);

    // Content ending above the position: back to the top.
    w.contentHeight = hh + 10;
    w.UpdateScrollBar();
    EXPECT_EQ(w.ScrollPosition(), 0);
    EXPECT_EQ(w.ScrollLimit(), 10);
}
