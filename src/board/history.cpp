// Undo and redo of the board's bitmaps, kept as XOR differences.
#include "board/history.h"

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
} // namespace

qsizetype History::Step::bytes() const {
    return qsizetype(sizeof(Step)) +
           qsizetype(sizeof(quint32)) * qsizetype(layer.words.size() + background.words.size());
}

void History::reset(const QImage &layer) {
    done_.clear();
    undone_.clear();
    bytes_ = 0;
    touched_ = QRect();
    committed_ = usable(layer) ? layer.copy() : QImage();
}

History::Delta History::diff(const QImage &before, const QImage &after, const QRect &area) {
    Delta d;
    const QRect a = area.intersected(before.rect());
    if (a.isEmpty())
        return d;
    // The bounding box of the pixels that differ.
    int top = -1, bottom = -1, left = a.right() + 1, right = a.left() - 1;
    for (int y = a.top(); y <= a.bottom(); ++y) {
        const quint32 *b = row(before, y), *c = row(after, y);
        if (std::memcmp(b + a.left(), c + a.left(), sizeof(quint32) * size_t(a.width())) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        int l = a.left();
        while (b[l] == c[l])
            ++l;
        int r = a.right();
        while (b[r] == c[r])
            --r;
        left = std::min(left, l);
        right = std::max(right, r);
    }
    if (top < 0)
        return d;
    d.rect = QRect(QPoint(left, top), QPoint(right, bottom));
    const int w = d.rect.width();
    qsizetype zeros = 0, countAt = -1;
    for (int y = top; y <= bottom; ++y) {
        const quint32 *b = row(before, y) + left, *c = row(after, y) + left;
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
    const QRect area = touched_;
    touched_ = QRect();
    if (!usable(layer) || layer.size() != committed_.size()) {
        // A layer of another size or kind cannot be compared with the last state: the
        // history starts again from it.
        reset(layer);
        return false;
    }
    Step s;
    s.layer = diff(committed_, layer, area);
    if (oldBackground && background) {
        if (usable(*oldBackground) && usable(*background) &&
            oldBackground->size() == background->size())
            s.background = diff(*oldBackground, *background, background->rect());
        else if (!oldBackground->isNull() || !background->isNull()) {
            reset(layer);
            return false;
        }
    }
    if (s.layer.isEmpty() && s.background.isEmpty())
        return false;
    for (int y = s.layer.rect.top(); y <= s.layer.rect.bottom() && !s.layer.isEmpty(); ++y)
        std::memcpy(reinterpret_cast<quint32 *>(committed_.scanLine(y)) + s.layer.rect.left(),
                    row(layer, y) + s.layer.rect.left(),
                    sizeof(quint32) * size_t(s.layer.rect.width()));
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
    if (from.empty() || pending() || layer.size() != committed_.size() || !usable(layer))
        return false;
    Step s = std::move(from.back());
    from.pop_back();
    if (!s.background.isEmpty() && usable(background) &&
        background.rect().contains(s.background.rect))
        apply(s.background, background);
    apply(s.layer, layer);
    apply(s.layer, committed_);
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
