// Undo and redo of the board's bitmaps, kept as XOR differences.
#include "board/core/history.h"

#include <algorithm>
#include <cstring>

namespace board {

namespace {
bool usable(const QImage &img) {
    return !img.isNull() && img.depth() == 32;
}

const quint32 *row(const QImage &img, int y) {
    return reinterpret_cast<const quint32 *>(img.constScanLine(y));
}

// A gap of this many unchanged pixels inside a changed run is stored as literal zeros:
// ending the run and starting another would cost two words anyway.
constexpr qsizetype MaxLiteralGap = 2;
constexpr int T = History::TileSide;
} // namespace

// Row y of a bitmap from column `left` on, `width` pixels: of a plain bitmap, or of the
// layer as the step under way found it (the kept tiles where it touched, else `base`).
class History::Rows {
public:
    explicit Rows(const QImage &img) : base_(img) {}
    Rows(const History &h, const QImage &base) : base_(base), h_(&h) {}

    // Valid until the next call.
    const quint32 *at(int y, int left, int width) const {
        const quint32 *plain = row(base_, y) + left;
        if (!h_ || h_->savedList_.empty())
            return plain;
        const int ty = y / T, dy = y % T;
        const int firstTile = left / T, lastTile = (left + width - 1) / T;
        bool any = false;
        for (int tx = firstTile; tx <= lastTile && !any; ++tx)
            any = h_->saved_[size_t(h_->tileIndex(tx, ty))] != nullptr;
        if (!any)
            return plain;
        buf_.resize(size_t(width));
        for (int tx = firstTile; tx <= lastTile; ++tx) {
            const int x0 = std::max(left, tx * T), x1 = std::min(left + width, (tx + 1) * T);
            const quint32 *tile = h_->saved_[size_t(h_->tileIndex(tx, ty))].get();
            const quint32 *src = tile ? tile + dy * T + (x0 - tx * T) : row(base_, y) + x0;
            std::memcpy(buf_.data() + (x0 - left), src, sizeof(quint32) * size_t(x1 - x0));
        }
        return buf_.data();
    }

private:
    const QImage &base_;
    const History *h_ = nullptr;
    mutable std::vector<quint32> buf_;
};

qsizetype History::Step::bytes() const {
    return qsizetype(sizeof(Step)) +
           qsizetype(sizeof(quint32)) * qsizetype(layer.words.size() + background.words.size());
}

void History::reset(const QImage &layer) {
    done_.clear();
    undone_.clear();
    bytes_ = 0;
    touched_ = QRect();
    replaced_ = QImage();
    savedList_.clear();
    size_ = usable(layer) ? layer.size() : QSize();
    tilesX_ = (size_.width() + T - 1) / T;
    tilesY_ = (size_.height() + T - 1) / T;
    saved_.clear();
    saved_.shrink_to_fit();
    saved_.resize(size_t(tilesX_) * size_t(tilesY_));
}

void History::dropSaved() {
    for (int i : savedList_)
        saved_[size_t(i)].reset();
    savedList_.clear();
    replaced_ = QImage();
}

void History::touch(const QImage &layer, const QRect &r) {
    if (!r.isValid())
        return;
    touched_ |= r;
    // A replaced layer is kept whole already; one of another size than the history's is
    // not compared at all (the next commit starts afresh).
    if (!replaced_.isNull() || !usable(layer) || layer.size() != size_)
        return;
    const QRect a = r.intersected(layer.rect());
    if (a.isEmpty())
        return;
    for (int ty = a.top() / T; ty <= a.bottom() / T; ++ty) {
        const int rows = std::min(T, size_.height() - ty * T);
        for (int tx = a.left() / T; tx <= a.right() / T; ++tx) {
            const int i = tileIndex(tx, ty);
            auto &tile = saved_[size_t(i)];
            if (tile)
                continue;
            tile.reset(new quint32[size_t(T) * T]);
            const int cols = std::min(T, size_.width() - tx * T);
            for (int dy = 0; dy < rows; ++dy)
                std::memcpy(tile.get() + dy * T, row(layer, ty * T + dy) + tx * T,
                            sizeof(quint32) * size_t(cols));
            savedList_.push_back(i);
        }
    }
}

void History::replacing(const QImage &layer) {
    touched_ |= layer.rect();
    // Tiles kept earlier in the step are older than this picture where they lie.
    if (replaced_.isNull())
        replaced_ = layer;
}

History::Delta History::diff(const Rows &before, const Rows &after, const QRect &a) {
    Delta d;
    if (a.isEmpty())
        return d;
    // The bounding box of the pixels that differ.
    int top = -1, bottom = -1, left = a.right() + 1, right = a.left() - 1;
    for (int y = a.top(); y <= a.bottom(); ++y) {
        const quint32 *b = before.at(y, a.left(), a.width());
        const quint32 *c = after.at(y, a.left(), a.width());
        if (std::memcmp(b, c, sizeof(quint32) * size_t(a.width())) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int l = 0;
        while (b[l] == c[l])
            ++l;
        int r = a.width() - 1;
        while (b[r] == c[r])
            --r;
        left = std::min(left, a.left() + l);
        right = std::max(right, a.left() + r);
    }
    if (top < 0)
        return d;
    d.rect = QRect(QPoint(left, top), QPoint(right, bottom));
    const int w = d.rect.width();
    qsizetype zeros = 0, countAt = -1;
    for (int y = top; y <= bottom; ++y) {
        const quint32 *b = before.at(y, left, w), *c = after.at(y, left, w);
        for (int x = 0; x < w; ++x) {
            const quint32 v = b[x] ^ c[x];
            if (v == 0) {
                ++zeros;
                continue;
            }
            if (countAt >= 0 && zeros <= MaxLiteralGap) {
                d.words.insert(d.words.end(), size_t(zeros), 0u);
                d.words[size_t(countAt)] += quint32(zeros);
            } else {
                d.words.push_back(quint32(zeros));
                countAt = qsizetype(d.words.size());
                d.words.push_back(0);
            }
            zeros = 0;
            d.words.push_back(v);
            ++d.words[size_t(countAt)];
        }
    }
    d.words.shrink_to_fit();
    return d;
}

void History::apply(const Delta &d, QImage &img) {
    if (d.isEmpty())
        return;
    const int w = d.rect.width();
    qsizetype p = 0;
    size_t i = 0;
    while (i + 1 < d.words.size()) {
        p += d.words[i];
        qsizetype n = d.words[i + 1];
        i += 2;
        int y = int(p / w), x = int(p % w);
        p += n;
        while (n > 0) {
            quint32 *out = reinterpret_cast<quint32 *>(img.scanLine(d.rect.top() + y)) +
                           d.rect.left();
            const int run = int(std::min<qsizetype>(n, w - x));
            for (int k = 0; k < run; ++k)
                out[x + k] ^= d.words[i + size_t(k)];
            i += size_t(run);
            n -= run;
            x = 0;
            ++y;
        }
    }
}

bool History::commit(const QImage &layer, const QImage *oldBackground, const QImage *background) {
    const QRect area = touched_.intersected(layer.rect());
    touched_ = QRect();
    if (!usable(layer) || layer.size() != size_ ||
        (!replaced_.isNull() && (!usable(replaced_) || replaced_.size() != size_))) {
        // A layer of another size or kind cannot be compared with the last state: the
        // history starts again from it.
        reset(layer);
        return false;
    }
    Step s;
    s.layer = diff(Rows(*this, replaced_.isNull() ? layer : replaced_), Rows(layer), area);
    dropSaved();
    if (oldBackground && background) {
        if (usable(*oldBackground) && usable(*background) &&
            oldBackground->size() == background->size())
            s.background = diff(Rows(*oldBackground), Rows(*background), background->rect());
        else if (!oldBackground->isNull() || !background->isNull()) {
            reset(layer);
            return false;
        }
    }
    if (s.layer.isEmpty() && s.background.isEmpty())
        return false;
    for (const Step &u : undone_)
        bytes_ -= u.bytes();
    undone_.clear();
    const qsizetype size = s.bytes();
    if (size > cap_) {
        bytes_ = 0;
        done_.clear();
        return false;
    }
    bytes_ += size;
    done_.push_back(std::move(s));
    dropOldest();
    return true;
}

void History::dropOldest() {
    size_t n = 0;
    while (bytes_ > cap_ && n < done_.size())
        bytes_ -= done_[n++].bytes();
    done_.erase(done_.begin(), done_.begin() + qsizetype(n));
}

bool History::move(std::vector<Step> &from, std::vector<Step> &to, QImage &layer,
                   QImage &background, Change *change) {
    if (from.empty() || pending() || !replaced_.isNull() || layer.size() != size_ ||
        !usable(layer))
        return false;
    Step s = std::move(from.back());
    from.pop_back();
    if (!s.background.isEmpty() && usable(background) &&
        background.rect().contains(s.background.rect))
        apply(s.background, background);
    apply(s.layer, layer);
    if (change)
        *change = {s.layer.rect, s.background.rect};
    to.push_back(std::move(s));
    return true;
}

bool History::undo(QImage &layer, QImage &background, Change *change) {
    return move(done_, undone_, layer, background, change);
}

bool History::redo(QImage &layer, QImage &background, Change *change) {
    return move(undone_, done_, layer, background, change);
}

} // namespace board
