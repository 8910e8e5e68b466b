// The content of a grid page (the rows, the title, the subtitle band and
// the last-page stamp), the same on screen and on paper. Until the grid
// painting lands here a page shows its paper, header and footer only.

#include "render/BridgeWnd_Grid_base.h"

void BridgeWnd_Grid_base::PaintPage(Canvas&, const Rect&, const Rect&, int32_t, int32_t) {}

void BridgeWnd_Grid_base::DrawTitle(Canvas&, const Rect&, int32_t, int32_t) {}

void BridgeWnd_Grid_base::DrawAfterGrid(Canvas&, const Rect&, int32_t) {}

void BridgeWnd_Grid_base::DrawLastPageStamp(Canvas&, const Rect&, int32_t, int32_t) {}
