// Reading and writing Windows bitmap (BMP) files, every size and offset checked.
#include "mwex/core/bmpio.h"
#include "mwex/core/pictureio.h"

#include <QtEndian>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

// Every number in a BMP header can be anything; each is checked against the bytes that are
// really there before it is used, sizes are computed in 64 bits, and the pixel memory is
// taken only after the size has passed the bound.

namespace bmpio {
namespace {

constexpr quint32 BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6;

struct Failure {
    QString text;
};

quint16 u16(const uchar* p) {
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const uchar* p) {
    return qFromLittleEndian<quint32>(p);
}
qint32 i32(const uchar* p) {
    return qFromLittleEndian<qint32>(p);
}

// One channel of a bit-field pixel scaled to 0..255.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint64 max = 0;
    explicit Channel(quint32 m = 0) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uchar operator()(quint32 px) const {
        if (!max)
            return 0;
        const quint64 v = (px & mask) >> shift;
        return static_cast<uchar>((v * 255 + max / 2) / max);
    }
};

struct Header {
    qint64 width = 0, height = 0; // height > 0
    bool topDown = false;
    int bpp = 0;
    quint32 compression = BiRgb;
    qint64 pixelOffset = 0;
    std::array<QRgb, 256> palette{};
    Channel red, green, blue;
};

Header readHeader(const QByteArray& bytes, qint64 maxPixels) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < 18 || d[0] != 'B' || d[1] != 'M')
        throw Failure{QStringLiteral("not a BMP file")};
    const qint64 offBits = u32(d + 10);
    const qint64 hs = u32(d + 14);
    const bool core = hs == 12;
    if (!core && hs < 40)
        throw Failure{QStringLiteral("unknown header size %1").arg(hs)};
    if (14 + hs > size)
        throw Failure{QStringLiteral("the file ends inside its header")};

    Header h;
    qint64 rawHeight;
    const uchar* ih = d + 14;
    if (core) {
        h.width = u16(ih + 4);
        rawHeight = u16(ih + 6);
        h.bpp = u16(ih + 10);
    } else {
        h.width = i32(ih + 4);
        rawHeight = i32(ih + 8);
        h.bpp = u16(ih + 14);
        h.compression = u32(ih + 16);
    }
    h.topDown = rawHeight < 0;
    h.height = rawHeight < 0 ? -rawHeight : rawHeight; // 64-bit: no overflow at INT_MIN
    if (h.width <= 0 || h.height <= 0)
        throw Failure{QStringLiteral("no pixels (%1 x %2)").arg(h.width).arg(rawHeight)};
    if (h.width * h.height > maxPixels)
        throw Failure{QStringLiteral("%1 x %2 pixels is too large").arg(h.width).arg(h.height)};

    const int bpp = h.bpp;
    const quint32 c = h.compression;
    const bool valid =
        (c == BiRgb && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) ||
        (c == BiRle8 && bpp == 8) || (c == BiRle4 && bpp == 4) ||
        ((c == BiBitfields || c == BiAlphaBitfields) && (bpp == 16 || bpp == 32));
    if (!valid || (core && (c != BiRgb || bpp == 16 || bpp == 32)))
        throw Failure{QStringLiteral("unsupported kind (%1 bits, coding %2)").arg(bpp).arg(c)};
    if ((c == BiRle8 || c == BiRle4) && h.topDown)
        throw Failure{QStringLiteral("run-length rows cannot run top-down")};

    qint64 next = 14 + hs; // what follows the header: masks, colour table
    if (c == BiBitfields || c == BiAlphaBitfields) {
        const uchar* m;
        if (hs >= 52) {
            m = ih + 40;
        } else {
            const qint64 n = c == BiAlphaBitfields ? 16 : 12;
            if (next + n > size)
                throw Failure{QStringLiteral("the file ends inside its colour masks")};
            m = d + next;
            next += n;
        }
        h.red = Channel(u32(m));
        h.green = Channel(u32(m + 4));
        h.blue = Channel(u32(m + 8));
    } else if (bpp == 16) {
        h.red = Channel(0x7C00);
        h.green = Channel(0x03E0);
        h.blue = Channel(0x001F);
    } else if (bpp == 32) {
        h.red = Channel(0x00FF0000);
        h.green = Channel(0x0000FF00);
        h.blue = Channel(0x000000FF);
    }

    // Pixels start where the file header says; writers that leave it 0 mean "right after
    // the colour table".
    qint64 entries = 0;
    if (bpp <= 8) {
        const qint64 used = core ? 0 : u32(ih + 32);
        entries = used == 0 || used > (1 << bpp) ? (1 << bpp) : used;
    }
    const int entrySize = core ? 3 : 4;
    h.pixelOffset = offBits != 0 ? offBits : next + entries * entrySize;
    if (h.pixelOffset < next || h.pixelOffset > size)
        throw Failure{QStringLiteral("pixel data outside the file")};
    // Uncompressed pixels must all be there (the last row may lack its padding): checked
    // before any pixel memory is taken, so a short file cannot make us allocate much.
    if (c != BiRle8 && c != BiRle4) {
        const qint64 stride = ((h.width * bpp + 31) / 32) * 4;
        const qint64 rowBytes = (h.width * bpp + 7) / 8;
        if (h.pixelOffset + stride * (h.height - 1) + rowBytes > size)
            throw Failure{QStringLiteral("the file ends inside its pixels")};
    }
    // Entries that would overlap the pixels are taken as missing (black).
    const qint64 room = (h.pixelOffset - next) / entrySize;
    for (qint64 i = 0; i < qMin(entries, room); ++i) {
        const uchar* e = d + next + i * entrySize;
        h.palette[size_t(i)] = qRgb(e[2], e[1], e[0]);
    }
    return h;
}

void decodeRows(const QByteArray& bytes, const Header& h, QImage& img) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 stride = ((h.width * h.bpp + 31) / 32) * 4; // sizes checked by readHeader
    const int w = int(h.width);
    for (qint64 r = 0; r < h.height; ++r) {
        const uchar* in = d + h.pixelOffset + r * stride;
        uchar* out = img.scanLine(int(h.topDown ? r : h.height - 1 - r));
        switch (h.bpp) {
        case 24:
            for (int x = 0; x < w; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
            break;
        case 32:
        case 16:
            for (int x = 0; x < w; ++x, out += 3) {
                const quint32 px = h.bpp == 32 ? u32(in + 4 * x) : u16(in + 2 * x);
                out[0] = h.red(px);
                out[1] = h.green(px);
                out[2] = h.blue(px);
            }
            break;
        default: { // 1, 4, 8 bits: colour table indices, most significant bits first
            const int perByte = 8 / h.bpp;
            const int mask = (1 << h.bpp) - 1;
            for (int x = 0; x < w; ++x, out += 3) {
                const int shift = 8 - h.bpp * (x % perByte + 1);
                const QRgb c = h.palette[size_t((in[x / perByte] >> shift) & mask)];
                out[0] = uchar(qRed(c));
                out[1] = uchar(qGreen(c));
                out[2] = uchar(qBlue(c));
            }
        }
        }
    }
}

// Run-length coded rows, bottom-up. Pixels that the codes skip keep colour 0.
void decodeRunLength(const QByteArray& bytes, const Header& h, QImage& img) {
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 end = bytes.size();
    qint64 pos = h.pixelOffset;
    const qint64 w = h.width;
    qint64 x = 0, y = 0; // y counts rows from the bottom
    const bool four = h.compression == BiRle4;
    auto put = [&](int index) {
        if (x < w && y < h.height) {
            uchar* o = img.scanLine(int(h.height - 1 - y)) + 3 * x;
            const QRgb c = h.palette[size_t(index)];
            o[0] = uchar(qRed(c));
            o[1] = uchar(qGreen(c));
            o[2] = uchar(qBlue(c));
        }
        ++x;
    };
    {
        const QRgb c0 = h.palette[0];
        img.fill(QColor(qRed(c0), qGreen(c0), qBlue(c0)));
    }
    while (y < h.height) {
        if (pos + 2 > end)
            throw Failure{QStringLiteral("the file ends inside its pixels")};
        const int count = d[pos], value = d[pos + 1];
        pos += 2;
        if (count > 0) {
            // A run never reaches past the row; the excess is dropped, not wrapped.
            const qint64 n = qMin<qint64>(count, w - x < 0 ? 0 : w - x);
            for (qint64 i = 0; i < n; ++i)
                put(four ? (i % 2 ? value & 15 : value >> 4) : value);
            x += count - n;
            continue;
        }
        if (value == 0) { // end of row
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            return;
        } else if (value == 2) { // move right and up
            if (pos + 2 > end)
                throw Failure{QStringLiteral("the file ends inside its pixels")};
            x += d[pos];
            y += d[pos + 1];
            pos += 2;
        } else { // `value` pixels stored as they are, padded to a 16-bit boundary
            const qint64 n = value;
            const qint64 stored = four ? (n + 1) / 2 : n;
            const qint64 padded = (stored + 1) & ~qint64(1);
            if (pos + padded > end)
                throw Failure{QStringLiteral("the file ends inside its pixels")};
            for (qint64 i = 0; i < n; ++i)
                put(four ? (i % 2 ? d[pos + i / 2] & 15 : d[pos + i / 2] >> 4) : d[pos + i]);
            pos += padded;
        }
    }
}

} // namespace

QImage decode(const QByteArray& bytes, QString* error, qint64 maxPixels) {
    try {
        const Header h = readHeader(bytes, maxPixels);
        QImage img(int(h.width), int(h.height), QImage::Format_RGB888);
        if (img.isNull())
            throw Failure{QStringLiteral("not enough memory for the picture")};
        if (h.compression == BiRle8 || h.compression == BiRle4)
            decodeRunLength(bytes, h, img);
        else
            decodeRows(bytes, h, img);
        return img;
    } catch (const Failure& f) {
        if (error)
            *error = QStringLiteral("BMP を読めません (%1)。").arg(f.text);
        return QImage();
    }
}

QImage readFile(const QString& path, QString* error, qint64 maxPixels) {
    const auto bytes = pictureio::readPictureFile(path, error);
    if (!bytes)
        return QImage();
    return decode(*bytes, error, maxPixels);
}

QByteArray encode(const QImage& image) {
    if (image.isNull())
        return QByteArray();
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const qint64 w = rgb.width(), h = rgb.height();
    const qint64 stride = (w * 3 + 3) & ~qint64(3);
    const qint64 dataSize = stride * h;
    const qint64 offset = 14 + 40;
    QByteArray out(offset + dataSize, '\0');
    auto* p = reinterpret_cast<uchar*>(out.data());
    p[0] = 'B';
    p[1] = 'M';
    qToLittleEndian<quint32>(quint32(offset + dataSize), p + 2);
    qToLittleEndian<quint32>(quint32(offset), p + 10);
    uchar* ih = p + 14;
    qToLittleEndian<quint32>(40, ih);
    qToLittleEndian<qint32>(qint32(w), ih + 4);
    qToLittleEndian<qint32>(qint32(h), ih + 8); // positive: rows bottom-up
    qToLittleEndian<quint16>(1, ih + 12);
    qToLittleEndian<quint16>(24, ih + 14);
    qToLittleEndian<quint32>(BiRgb, ih + 16);
    qToLittleEndian<quint32>(quint32(dataSize), ih + 20);
    for (qint64 y = 0; y < h; ++y) {
        const uchar* in = rgb.constScanLine(int(y));
        uchar* o = p + offset + (h - 1 - y) * stride;
        for (qint64 x = 0; x < w; ++x, in += 3, o += 3) {
            o[0] = in[2];
            o[1] = in[1];
            o[2] = in[0];
        }
    }
    return out;
}

bool writeFile(const QImage& image, const QString& path, QString* error) {
    const QByteArray bytes = encode(image);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("画像がありません。");
        return false;
    }
    return pictureio::writePictureFile(path, bytes, error);
}

} // namespace bmpio
