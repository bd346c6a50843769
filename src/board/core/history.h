#pragma once
// Undo and redo of the drawing board's bitmaps. Each step keeps only the XOR of the pixels
// before and after it, over the rectangle that changed, with runs of unchanged pixels left
// out; applying a step's XOR again takes it back, and once more brings it back. Bitmaps are
// 32 bits per pixel (QImage::Format_RGB32).
//
// The history holds no copy of the layer: a tool says which part it is about to change
// (touch, before it draws), and the pixels there are kept, in tiles, until the step ends.
// So a step costs memory for what it touches, not a second screen.
#include <QImage>
#include <QRect>
#include <memory>
#include <vector>

namespace board {

class History {
public:
    // What the stored steps may take together, deltas and bookkeeping: 64 MiB. Past it the
    // oldest steps are dropped. A step larger than the whole cap is not kept at all and
    // leaves an empty history (the bitmaps themselves are never touched by dropping).
    static constexpr qsizetype DefaultByteCap = qsizetype(64) << 20;
    // The pixels a step is about to change are kept in squares of this side.
    static constexpr int TileSide = 64;

    explicit History(qsizetype byteCap = DefaultByteCap) : cap_(byteCap) {}

    // A fresh history over `layer`: no steps; `layer` is the state the next step starts from.
    void reset(const QImage &layer);
    // `r` of `layer` is about to change: its pixels as they are now are kept for the step
    // under way (each part once, however often it is touched). Every change of the layer's
    // pixels between commits must be announced so, before it is made.
    void touch(const QImage &layer, const QRect &r);
    // `layer` is about to be replaced whole by another picture: it is kept (shared, not
    // copied) as the state the step under way started from.
    void replacing(const QImage &layer);
    bool pending() const { return !touched_.isEmpty(); }

    // Ends a step: records what changed in `layer` within the touched area since the last
    // commit and, when `oldBackground` is given, what changed from it to `background`.
    // Nothing changed: no step, and redo stays possible. Returns whether a step was kept.
    bool commit(const QImage &layer, const QImage *oldBackground = nullptr,
                const QImage *background = nullptr);

    // The rectangles a step touched, for repainting.
    struct Change {
        QRect layer, background;
    };
    // Takes the last step back (or brings the last undone one back) on the bitmaps, which must
    // be in the state the history left them in: nothing pending. False when there is none.
    bool undo(QImage &layer, QImage &background, Change *change = nullptr);
    bool redo(QImage &layer, QImage &background, Change *change = nullptr);

    int undoSteps() const { return int(done_.size()); }
    int redoSteps() const { return int(undone_.size()); }
    qsizetype bytes() const { return bytes_; }
    qsizetype byteCap() const { return cap_; }

private:
    // Delta of one bitmap over `rect`: the XOR of the pixels in row-major order, as tokens
    // (zeros to skip, literal count, that many words).
    struct Delta {
        QRect rect;
        std::vector<quint32> words;
        bool isEmpty() const { return rect.isEmpty(); }
    };
    struct Step {
        Delta layer, background;
        qsizetype bytes() const;
    };
    // Gives row y of a bitmap from column `left` on, `width` pixels.
    class Rows;

    static Delta diff(const Rows &before, const Rows &after, const QRect &area);
    static void apply(const Delta &d, QImage &img);
    bool move(std::vector<Step> &from, std::vector<Step> &to, QImage &layer, QImage &background,
              Change *change);
    void dropOldest();
    void dropSaved();
    int tileIndex(int tx, int ty) const { return ty * tilesX_ + tx; }

    qsizetype cap_;
    qsizetype bytes_ = 0;
    QSize size_; // of the layer the history is over; empty: none usable
    int tilesX_ = 0, tilesY_ = 0;
    // The layer's pixels as of the last commit, undo or redo, where the step under way
    // touched them: whole (the layer replaced), or in tiles, or not at all (unchanged).
    QImage replaced_;
    std::vector<std::unique_ptr<quint32[]>> saved_;
    std::vector<int> savedList_;
    QRect touched_;
    std::vector<Step> done_, undone_;
};

} // namespace board
