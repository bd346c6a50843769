#pragma once
// Design geometry of the board's toolbar (Panel1), and how it fits a screen of any height.
#include <QRect>
#include <QtGlobal>
#include <algorithm>
#include <cmath>

namespace boardlayout {

// The toolbar column at the right edge of the board, in the desktop's scaled pixels.
inline constexpr int kToolbarWidth = 50;

// One control of the toolbar at the design height: its object name and its rectangle in
// its parent (the toolbar, or the colour panel Panel2 for SpeedButton9).
struct Item {
    const char *name;
    QRect design;
    bool picture; // a button whose picture follows its height
};

inline constexpr int kButtonLeft = 2;
inline constexpr int kButtonWidth = 46;
inline constexpr int kLabelFontPixels = 11;

// Top to bottom; controls that share a place are shown one at a time.
inline constexpr Item kItems[] = {
    {"SpeedButton14", {kButtonLeft, 0, kButtonWidth, 30}, true},  // straight lines
    {"SpeedButton15", {kButtonLeft, 0, kButtonWidth, 30}, true},  // freehand
    {"SpeedButton2", {kButtonLeft, 34, kButtonWidth, 30}, true},  // red
    {"SpeedButton3", {kButtonLeft, 68, kButtonWidth, 30}, true},  // blue
    {"SpeedButton4", {kButtonLeft, 103, kButtonWidth, 30}, true}, // yellow
    {"SpeedButton5", {kButtonLeft, 137, kButtonWidth, 30}, true}, // white
    {"SpeedButton6", {kButtonLeft, 171, kButtonWidth, 30}, true}, // black
    {"Panel2", {0, 206, 52, 30}, false},                          // the current colour
    {"SpeedButton9", {kButtonLeft, 0, kButtonWidth, 30}, true},   // see-through, in Panel2
    {"Label3", {2, 248, 48, 16}, false},                          // "線の太さ"
    {"SpinEdit3", {kButtonLeft, 267, kButtonWidth, 26}, false},   // chalk thickness
    {"SpeedButton8", {kButtonLeft, 299, kButtonWidth, 36}, true}, // eraser
    {"SpeedButton7", {kButtonLeft, 337, kButtonWidth, 36}, true}, // wipe
    {"Label1", {2, 379, 48, 16}, false},                          // "拡大倍率"
    {"SpinEdit1", {kButtonLeft, 398, kButtonWidth, 26}, false},   // zoom factor
    {"Label2", {2, 430, 48, 16}, false},                          // "回転角度"
    {"SpinEdit2", {kButtonLeft, 449, kButtonWidth, 26}, false},   // rotation angle
    {"SpeedButton10", {kButtonLeft, 481, kButtonWidth, 36}, true}, // cut
    {"SpeedButton11", {kButtonLeft, 481, kButtonWidth, 36}, true}, // leave selection
    {"SpeedButton12", {kButtonLeft, 481, kButtonWidth, 36}, true}, // clear the cut-out
    {"SpeedButton13", {kButtonLeft, 520, kButtonWidth, 36}, true}, // capture
    {"SpeedButton1", {kButtonLeft, 582, kButtonWidth, 41}, true},  // back
    {"UndoButton", {kButtonLeft, 627, kButtonWidth, 36}, true},    // undo
};

// The height the design needs: the bottom of its lowest control.
inline constexpr int kDesignHeight = 663;

// The vertical factor for a toolbar `height` tall: the design where it fits, else every
// top and height shrunk alike so that the lowest control ends on the screen.
inline double verticalFactor(int height) {
    return height >= kDesignHeight || height <= 0 ? 1.0 : double(height) / kDesignHeight;
}

// The item's rectangle in a toolbar `height` tall; never less than a pixel high.
inline QRect place(const Item &item, int height) {
    const double f = verticalFactor(height);
    const int top = int(std::floor(item.design.top() * f));
    const int bottom = int(std::floor((item.design.top() + item.design.height()) * f));
    return QRect(item.design.left(), top, item.design.width(), std::max(1, bottom - top));
}

// The labels' font follows the factor, legible down to 8 pixels.
inline int labelFontPixels(int height) {
    return std::max(8, int(std::lround(kLabelFontPixels * verticalFactor(height))));
}

// A button's picture: its width and its height less a small margin.
inline constexpr int kPictureWidth = 40;
inline constexpr int kPictureMargin = 6;

// Edit1, which only holds the keyboard focus: left of the toolbar's edge, out of sight.
inline constexpr QRect kFocusHolder{-120, 0, 100, 22};

} // namespace boardlayout
