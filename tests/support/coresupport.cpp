// Test helpers for the suites of the pure core.
#include "support/coresupport.h"
#include "platform/core/codec.h"
#include "platform/core/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

QString win(const QString &hostPath) { return platform::fromHost(hostPath); }

void writeFile(const QString &hostPath, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile f(hostPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(hostPath));
    f.write(bytes);
}

QByteArray readFile(const QString &hostPath) {
    QFile f(hostPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray sjis(const QString &text) { return platform::ansiEncode(text); }

QImage uniquePixels(int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uchar *p = img.scanLine(y) + 3 * x;
            p[0] = uchar(x);
            p[1] = uchar(y);
            p[2] = 77;
        }
    return img;
}

QImage frozenScreen(QSize size) {
    QImage img(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb(20 + x % 50, 60 + y % 50, 140 + (x + y) % 40);
    }
    return img;
}

} // namespace testsupport
