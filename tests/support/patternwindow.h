#pragma once
// Another program's window over the whole primary screen, showing a pattern that differs
// from one physical pixel to the next (one-pixel lines vanish or double under any scaling).
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

namespace testsupport {

class PatternWindow : public QWidget {
public:
    PatternWindow() {
        setWindowFlags(Qt::FramelessWindowHint);
        setGeometry(QGuiApplication::primaryScreen()->geometry());
        show();
    }
    static QRgb at(int x, int y) {
        return qRgb((x * 37 + y * 11) & 0xFF, ((x ^ y) * 5) & 0xFF, (x & 1) ? 40 : 220);
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const qreal ratio = devicePixelRatioF();
        QImage picture(size() * ratio, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                line[x] = at(x, y);
        }
        picture.setDevicePixelRatio(ratio);
        QPainter(this).drawImage(0, 0, picture);
    }
};

// Pixels that differ between two pictures of the same size (all of them when the sizes differ).
inline int differingPixels(const QImage &a, const QImage &b) {
    if (a.size() != b.size())
        return qMax(a.width() * a.height(), b.width() * b.height());
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    int n = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c)
            if ((x.pixel(c, r) & 0xFFFFFF) != (y.pixel(c, r) & 0xFFFFFF))
                ++n;
    return n;
}

} // namespace testsupport
