#pragma once
// Design geometry of the main window: its size, the URL bar on top and the button column.
#include <QRect>
#include <QSize>

namespace form1layout {

// The client area the window is designed at; a larger or smaller window stretches the URL
// field, and the items to its right keep their distance to the right edge.
inline constexpr QSize kDesignSize{714, 644};

// The URL bar (Panel3) across the top, and the part of it that holds the URL field (Panel4).
inline constexpr int kBarHeight = 24;
inline constexpr int kUrlPanelWidth = 612;
inline constexpr QRect kOpenOutsideButton{0, 1, 23, 22}; // SpeedButton5, in Panel4
inline constexpr QRect kUrlField{24, 2, 583, 21};        // Edit2, in Panel4
inline constexpr int kUrlFontPixels = 17;
// SpeedButton11, SpeedButton9, SpeedButton10, in Panel3 at the design width.
inline constexpr QRect kGoButton{618, 1, 23, 22};
inline constexpr QRect kClipButton{649, 1, 23, 22};
inline constexpr QRect kOpenClipButton{680, 1, 23, 22};

// The button column (Panel2) on the right, below the bar: square buttons from the top, the
// two language buttons sharing one place, the board button kept above the bottom edge.
inline constexpr int kColumnWidth = 40;
inline constexpr int kColumnButton = 40;
inline constexpr int kHomeTop = 6;
inline constexpr int kBackTop = 71;
inline constexpr int kReloadTop = 136;
inline constexpr int kForwardTop = 201;
inline constexpr int kNewWorkTop = 266;
inline constexpr int kOpenWorkTop = 331;
inline constexpr int kLanguageTop = 395;
inline constexpr int kBoardButtonBottomMargin = 6;

// The browser view overlaps its panel (Panel1) by this much on every side, hiding its frame.
inline constexpr int kBrowserOverlap = 2;

// The hidden text buffer (Memo1) of the file store.
inline constexpr QRect kMemo{128, 40, 185, 41};

} // namespace form1layout
