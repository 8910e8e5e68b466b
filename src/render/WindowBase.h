#pragma once
// The common base of every drawing window of the kiosk: the desktop, the A4
// page views and the grid and scorecard windows built on them.
//
// It adds to a plain child window an owner link to another kiosk window (so
// that every window finds the root, the desktop, and asks it for the
// language and the other root services), two optional push buttons in a
// corner of the client area (a localized options button and a close button
// "X"), a gray background, vertical scrolling by scroll bar and wheel, and
// focus-follows-mouse. Subclasses extend it by overriding the virtual hooks,
// which are declared in the order the window calls them into being.
//
// Lengths here are device pixels and scale with the screen height through
// the screen unit (3.2 % of the screen height).

#include "foundation/LocText.h"
#include "platform/Geometry.h"
#include "render/RootServices.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <string>

class QPushButton;
class QFont;

// The command ids of the two corner buttons.
inline constexpr int32_t kOptionsButtonId = 103;
inline constexpr int32_t kCloseButtonId = 101;

// floor(screenHeight * 32 / 1000).
int32_t ScreenUnitFor(int32_t screenHeight);
// The screen unit of the primary screen, read each time it is asked for.
int32_t ScreenUnit();
// The pixel height (character height) of the shared button font for a
// screen unit: floor(u * 78 / 100).
int32_t ButtonFontPixelHeight(int32_t screenUnit);

// Where the corner buttons go in a client rectangle; an empty rectangle for
// a button that is not shown.
struct CornerButtonRects {
    Rect close;
    Rect options;
};
// The close button fills a strip 1.5 screen units wide and one unit high in
// the top-right corner (placement 0 or 1) or the bottom-right one (2 and
// more); the options button sits left of it (or in the strip itself without
// a close button), 4.5 units wide, or 7 for a wide one.
CornerButtonRects LayoutCornerButtonRects(const Rect& client, int32_t screenUnit, int32_t placement,
                                          bool hasCloseButton, bool wideOptionsButton);

class WindowBase : public QAbstractScrollArea {
public:
    WindowBase();
    ~WindowBase() override;

    // Makes this window a hidden child of `parent` (its owner) with the id
    // `id`, then refreshes the caption. The id also names the window (its
    // decimal text) and keys its stored row height.
    bool Create(WindowBase* parent, int32_t id);
    // The same for a root window placed inside another widget (the main
    // frame): it has no owner.
    bool CreateInWidget(QWidget* host, int32_t id);

    WindowBase* GetParentWnd() const { return parentWnd; }
    int32_t GetWndId() const { return wndId; }

    // Follows the owner links to the window that has no owner.
    WindowBase* GetRootWindow();
    // The root window's services (installed with SetRootServices on the
    // root), or the defaults when the root has none.
    RootServices& Services();
    // Installs the services this window offers as a root (not owned).
    void SetRootServices(RootServices* services) { rootServices = services; }
    // The language of the root window; no window keeps a copy.
    LangIndex GetLanguage();

    // Places the two buttons for the current client size.
    void LayoutButtons();
    // Sets the scroll range from GetContentHeight and the client height.
    void UpdateScrollBar();

    // The client area (inside the border, beside the scroll bar), in pixels
    // of the client's own coordinates.
    Rect ClientRect() const;
    int32_t ScrollPosition() const;
    // The largest scroll position (0 when the content fits).
    int32_t ScrollLimit() const;

    QPushButton* OptionsButton() const { return optionsButton; }
    QPushButton* CloseButton() const { return closeButton; }

    // --- hooks, in slot order -------------------------------------------------
    // Sets the options button's caption (creating it when it can exist) and
    // repaints.
    virtual void RefreshCaption();
    // "-操作-" / "Options" in the root window's language.
    virtual std::u16string GetCaption();
    // 0: no options button; 1: buttons top right; 2 or more: bottom right.
    virtual int32_t OptionsButtonPlacement() { return 1; }
    virtual bool IsWideOptionsButton() { return false; }
    virtual bool HasCloseButton() { return false; }
    virtual void Relayout() {}
    // The height of the whole content in pixels (the scroll range).
    virtual int32_t GetContentHeight() { return 0; }
    virtual void OnOptionsButton() { OnMenu(0); }
    // source 0: the options button; 1: the right mouse button.
    virtual void OnMenu(int32_t source) { (void)source; }
    virtual void OnCloseButton() { hide(); }

protected:
    // Creates the buttons that can exist and are not there yet.
    void EnsureButtons();

    // Window-system events. Subclasses add their own and fall back to these.
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Whole-client repaint without erasing (the painting covers it all).
    void InvalidateClient();

private:
    void FinishCreate(int32_t id);
    void OnScrollAction(int action);

    WindowBase* parentWnd = nullptr;
    int32_t wndId = 0;
    QPushButton* optionsButton = nullptr;
    QPushButton* closeButton = nullptr;
    RootServices* rootServices = nullptr;
};
