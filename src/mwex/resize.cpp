#include "mwex/resize.h"
#include "app/errors.h"

#include <cmath>

// Placeholder until the exact kernel lands: same contract, Qt's smooth scaling.
QImage BitmapResize_Bilinear(const QImage &Bitmap, int Width, int Height) {
    if (Width < 1 || Height < 1)
        throw QumoError(QStringLiteral("大きさが正しくありません。"));
    return Bitmap.convertToFormat(QImage::Format_RGB888)
        .scaled(Width, Height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

quint8 SetByte(double aValue) {
    const double r = std::nearbyint(aValue);
    if (r > 255)
        return 255;
    if (r < 0)
        return 0;
    return static_cast<quint8>(r);
}
