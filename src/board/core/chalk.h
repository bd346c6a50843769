#pragma once
// Pixel work of the drawing board that needs no window: chalk strokes into a layer bitmap,
// and the colour-keyed composition of the chalk layer over the frozen screen. Layer bitmaps
// are QImage::Format_RGB32.
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRgb>

namespace board {

constexpr QRgb Silver = 0xFFC0C0C0; // the normal key colour
constexpr QRgb Cream = 0xFFFFFBF0;  // the board's window colour and the fill of transforms
constexpr QRgb Red = 0xFFFF0000;
constexpr QRgb Blue = 0xFF0000FF;
constexpr QRgb Yellow = 0xFFFFFF00;
constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

// The drawing pen of a layer bitmap: colour, width, and where the next line starts. Lines
// replace the pixels they cover (copy mode), without smoothing, so that a stroke in the key
// colour is exactly the key colour, with round caps and joins.
struct ChalkPen {
    QRgb color = Black;
    int width = 1;
    QPoint pos;

    void moveTo(QPoint p) { pos = p; }
    // The part of `img` a line from `pos` to `to` changes.
    QRect reach(const QImage &img, QPoint to) const;
    // Draws from `pos` to `to` and moves there; returns the part of `img` that changed.
    QRect lineTo(QImage &img, QPoint to);
};

// The key colour of a layer: its bitmap's bottom-left pixel (0 for an empty bitmap).
QRgb keyColour(const QImage &layer);

// out[i] = top[i] == key ? under[i] : top[i], for n pixels.
void keyedSelect(const QRgb *top, const QRgb *under, QRgb *out, int n, QRgb key);

// Writes the rectangle `r` of the chalk layer `top` shown over `under` into `out` (all three
// RGB32 and of one size): keyed by the colour of `top`'s bottom-left pixel, or `top` alone
// when `keyed` is false.
void composeLayers(const QImage &top, const QImage &under, QImage &out, const QRect &r, bool keyed);

// A copy of `src` as premultiplied ARGB in which every pixel of the colour of the
// bottom-left pixel is fully transparent (the cut-out's see-through display).
QImage keyedToAlpha(const QImage &src);

} // namespace board
