#pragma once
// The shared drawing operations of the pages, scorecards and desktop: colour
// arithmetic, shrink-to-fit text, rounded boxes, lines, a button face and the
// card symbols (the four suits as filled shapes in four colours, and the
// calls "NT", "X", "XX" and "Pass"). They work in whatever logical units the
// canvas is set up for (0.01 mm on pages, pixels on the desktop) and keep no
// state of their own; fonts come from the process font cache.

#include "platform/Canvas.h"

#include <cstdint>
#include <string>

// Per channel a + ((b - a) * pct) / 100, truncating towards zero.
Colour BlendColour(Colour a, Colour b, int32_t pct);
// 0.299 R + 0.587 G + 0.114 B.
double Luma(Colour c);
// Moves a colour pct % towards black when it is light (luma above 160) and
// towards white when it is dark.
Colour ContrastColour(Colour c, int32_t pct);

// Draws one text with DrawText `format` in R. When the text (measured in the
// font currently selected) is wider than R it is drawn in a temporary font
// FontSpec(height * pct / 100, face) with pct = min(width of R * 100 / text
// width, 95). With `shadow` the text is first drawn (s, s) further right
// and down in the inverted text colour, s = 8 % of the height. A background
// other than kNoColour is painted behind the text. The selected font and text
// colour are left as they were; the background mode ends transparent.
void DrawTextFit(Canvas& dc, unsigned format, const std::u16string& text, const std::u16string& face,
                 int32_t height, bool shadow, Colour background, const Rect& r);

// DrawTextFit in `font`, selected (from `source`) for this text only. A font
// of no height draws nothing.
void DrawTextFitInFont(Canvas& dc, unsigned format, const std::u16string& text, const FontSpec& font, FontSource source,
                       const Rect& r);

// Texts that share a row with neighbours (a trick-table column, one side of
// the points round a diagram's middle, an auction column, a grid cell) must
// fit their box less a small gap, a twentieth of the font height, or the
// faces installed here would run them into each other. This is the font
// height at which a text measured `textWidth` wide in a font of `fontHeight`
// fits a box `boxWidth` wide that way; 0 when no height fits.
int32_t FittingFontHeight(int32_t fontHeight, int32_t textWidth, int32_t boxWidth);

// A text in the selected font, in a box it shares a row with: drawn as it is
// when it fits the box less the gap, else in a font just small enough
// (FittingFontHeight), in the same box and alignment.
void DrawTextInColumn(Canvas& dc, const std::u16string& text, const Rect& box, unsigned format);

// A rounded rectangle (corner ellipses corner x corner): filled unless `fill`
// is kNoColour, framed frameWidth wide unless `frame` is kNoColour or the
// width is not positive.
void RoundRectFill(Canvas& dc, Colour fill, Colour frame, int32_t frameWidth, int32_t corner, const Rect& r);
// A line with the current pen.
void DrawLine(Canvas& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// The four edges of r with a solid pen min(width, 200) wide: top, left,
// right (upwards) and bottom (leftwards). The previous pen is restored.
void RectOutline(Canvas& dc, Colour colour, int32_t width, const Rect& r);
// Dashes 60 long with gaps of 60 from (x1, y1) towards (x2, y2) with the
// current pen; the last dash may run past the end point.
void DashedLine(Canvas& dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// a moved so that its centre (by integer halving) is the centre of b.
Rect CentreRect(const Rect& a, const Rect& b);
// An ellipse with the current pen and brush; boxes up to 16 high and at
// least 3 wide become an octagon filled with the current brush, which keeps
// tiny circles round on coarse devices.
void FilledCircle(Canvas& dc, const Rect& r);

// Symbol kinds: the suits, then the calls.
inline constexpr int32_t kSymbolClub = 0;
inline constexpr int32_t kSymbolDiamond = 1;
inline constexpr int32_t kSymbolHeart = 2;
inline constexpr int32_t kSymbolSpade = 3;
inline constexpr int32_t kSymbolNoTrump = 4;
inline constexpr int32_t kSymbolDouble = 5;
inline constexpr int32_t kSymbolRedouble = 6;
inline constexpr int32_t kSymbolPass = 7;

// The suit colours of the four-colour scheme, and the colours of the calls.
inline constexpr Colour kClubColour = kBlack;
inline constexpr Colour kDiamondColour = Rgb(128, 64, 0);
inline constexpr Colour kHeartColour = Rgb(220, 0, 32);
inline constexpr Colour kSpadeColour = Rgb(25, 48, 122);
inline constexpr Colour kDoubleColour = Rgb(240, 32, 32);
inline constexpr Colour kRedoubleColour = Rgb(32, 32, 128);

// One suit shape in the square of height R.bottom - R.top centred in R, or
// a call text centred in R in the current font. Other kinds draw nothing.
// Pen, brush and text colour are left as they were.
void DrawCallSymbol(Canvas& dc, int32_t kind, const Rect& r);

// A rounded button face with its label centred in the current font: the
// border is the face 20 % in contrast, a hot face 5 %, a pressed one 8 %
// more; disabled buttons are gray. Nothing for an empty rectangle.
void DrawButton(Canvas& dc, const Rect& r, const std::u16string& text, bool enabled, bool pressed, bool hot,
                Colour face, Colour textColour, int32_t frameWidth);
