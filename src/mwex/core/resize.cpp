// Bilinear resize of bitmaps for the graphics catalogue and the drawing board.
#include "mwex/core/resize.h"
#include "app/core/errors.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUMO_RESIZE_X86 1
#endif

// The result must be byte for byte what the per-pixel definition gives:
//   top    = c(x0,y0)*xr0 + c(x1,y0)*xr1
//   bottom = c(x0,y1)*xr0 + c(x1,y1)*xr1
//   out    = SetByte(top*yr0 + bottom*yr1)
// in doubles, without fused multiply-add (the build turns contraction off). The top and
// bottom blends of a destination column depend only on the source row, so each needed source
// row is blended horizontally once into a row of doubles, and the vertical blend is one
// straight loop over two such rows. The arithmetic of every value is unchanged, so the bytes
// are too.

namespace {

// SetByte for values the kernel produces: clamp first (same result as rounding first, for
// every value that is not NaN; NaN gives 0 in both), then round half to even by adding 2^52,
// whose unit in the last place is 1, and read the integer from the low mantissa bits.
inline quint8 setByteFast(double v) {
    if (!(v > 0.0))
        v = 0.0;
    if (v > 255.0)
        v = 255.0;
    const double t = v + 4503599627370496.0; // 2^52
    std::uint64_t bits;
    std::memcpy(&bits, &t, sizeof bits);
    return static_cast<quint8>(bits & 0xFF);
}

// How the source's pixels are read without converting the whole picture: bytes per pixel
// and the byte offsets of red, green and blue.
struct SourceLayout {
    int bpp;
    int r, g, b;
};

// How the blending of one destination row is done; chosen once for the processor.
struct Kernels {
    // The vertical blend of two horizontally blended rows into n bytes.
    void (*blendRows)(const double* top, const double* bottom, double yr0, double yr1, uchar* out,
                      int n);
    // The same where the bottom weight is exactly 0 (so the top one is exactly 1):
    // top*1 + bottom*0 is top itself, whatever the bottom row holds.
    void (*roundRow)(const double* top, uchar* out, int n);
    // A source row's channels as doubles, red, green, blue per pixel (3*w values).
    void (*rowToDoubles)(const uchar* row, const SourceLayout& L, int w, double* out);
    // Horizontal blend from such a row of doubles; writes 3*width values and may write one
    // more past them, and reads one double past 3*x1 (the buffers have room for both).
    // d0 and d1 are the offsets 3*x0 and 3*x1 of each column's two samples.
    void (*blendColumnsFromDoubles)(const double* src, const std::ptrdiff_t* d0,
                                    const std::ptrdiff_t* d1, const double* xr0, const double* xr1,
                                    double* out, int width);
    // Horizontal blend straight from a row's bytes (for shrinking, where few source pixels
    // are read); the first vectorWidth columns may read one byte past their pixel, and it
    // may write one double past 3*width (the caller gives safe widths and room).
    void (*blendColumnsFromBytes)(const uchar* row, const SourceLayout& L, const int* off0,
                                  const int* off1, const double* xr0, const double* xr1,
                                  double* out, int width, int vectorWidth);
};

void blendRowsGeneric(const double* top, const double* bottom, double yr0, double yr1, uchar* out,
                      int n) {
    for (int k = 0; k < n; ++k)
        out[k] = setByteFast(top[k] * yr0 + bottom[k] * yr1);
}

void roundRowGeneric(const double* top, uchar* out, int n) {
    for (int k = 0; k < n; ++k)
        out[k] = setByteFast(top[k]);
}

void rowToDoublesGeneric(const uchar* row, const SourceLayout& L, int w, double* out) {
    for (int x = 0; x < w; ++x) {
        const uchar* p = row + x * L.bpp;
        out[0] = p[L.r];
        out[1] = p[L.g];
        out[2] = p[L.b];
        out += 3;
    }
}

void blendColumnsFromDoublesGeneric(const double* src, const std::ptrdiff_t* d0,
                                    const std::ptrdiff_t* d1, const double* xr0, const double* xr1,
                                    double* out, int width) {
    for (int ix = 0; ix < width; ++ix) {
        const double* p = src + d0[ix];
        const double* q = src + d1[ix];
        const double w0 = xr0[ix], w1 = xr1[ix];
        out[0] = p[0] * w0 + q[0] * w1;
        out[1] = p[1] * w0 + q[1] * w1;
        out[2] = p[2] * w0 + q[2] * w1;
        out += 3;
    }
}

void blendColumnsFromBytesGeneric(const uchar* row, const SourceLayout& L, const int* off0,
                                  const int* off1, const double* xr0, const double* xr1,
                                  double* out, int width, int) {
    for (int ix = 0; ix < width; ++ix) {
        const uchar* p = row + off0[ix];
        const uchar* q = row + off1[ix];
        const double w0 = xr0[ix], w1 = xr1[ix];
        out[0] = p[L.r] * w0 + q[L.r] * w1;
        out[1] = p[L.g] * w0 + q[L.g] * w1;
        out[2] = p[L.b] * w0 + q[L.b] * w1;
        out += 3;
    }
}

#ifdef QUMO_RESIZE_X86
// Four values: two products and one sum, each rounded, exactly as the scalar form. The
// conversion rounds half to even (the processor's default mode, the one nearbyint uses
// too); the blends lie within 0..255 (weights are non-negative and sum to one), and the
// saturating packs clamp whatever rounding puts just outside.
__attribute__((target("avx2"), always_inline)) inline __m128i
blend4Avx2(const double* top, const double* bottom, __m256d w0, __m256d w1) {
    const __m256d v = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(top), w0),
                                    _mm256_mul_pd(_mm256_loadu_pd(bottom), w1));
    return _mm256_cvtpd_epi32(v);
}

__attribute__((target("avx2"))) void blendRowsAvx2(const double* top, const double* bottom,
                                                   double yr0, double yr1, uchar* out, int n) {
    const __m256d w0 = _mm256_set1_pd(yr0);
    const __m256d w1 = _mm256_set1_pd(yr1);
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m128i a = _mm_packs_epi32(blend4Avx2(top + k, bottom + k, w0, w1),
                                          blend4Avx2(top + k + 4, bottom + k + 4, w0, w1));
        const __m128i b = _mm_packs_epi32(blend4Avx2(top + k + 8, bottom + k + 8, w0, w1),
                                          blend4Avx2(top + k + 12, bottom + k + 12, w0, w1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(a, b));
    }
    for (; k < n; ++k)
        out[k] = setByteFast(top[k] * yr0 + bottom[k] * yr1);
}

__attribute__((target("avx2"))) void roundRowAvx2(const double* top, uchar* out, int n) {
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m128i a = _mm_packs_epi32(_mm256_cvtpd_epi32(_mm256_loadu_pd(top + k)),
                                          _mm256_cvtpd_epi32(_mm256_loadu_pd(top + k + 4)));
        const __m128i b = _mm_packs_epi32(_mm256_cvtpd_epi32(_mm256_loadu_pd(top + k + 8)),
                                          _mm256_cvtpd_epi32(_mm256_loadu_pd(top + k + 12)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packus_epi16(a, b));
    }
    _mm256_zeroupper();
    for (; k < n; ++k)
        out[k] = setByteFast(top[k]);
}

__attribute__((target("avx2"))) void rowToDoublesAvx2(const uchar* row, const SourceLayout& L,
                                                      int w, double* out) {
    if (L.bpp == 3 && L.r == 0) {
        // Already red, green, blue in a row: four bytes at a time.
        const int n = 3 * w;
        int k = 0;
        for (; k + 8 <= n; k += 8) {
            const __m256i i8 =
                _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + k)));
            _mm256_storeu_pd(out + k, _mm256_cvtepi32_pd(_mm256_castsi256_si128(i8)));
            _mm256_storeu_pd(out + k + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(i8, 1)));
        }
        _mm256_zeroupper();
        for (; k < n; ++k)
            out[k] = row[k];
        return;
    }
    _mm256_zeroupper();
    rowToDoublesGeneric(row, L, w, out);
}

__attribute__((target("avx2"))) void
blendColumnsFromDoublesAvx2(const double* src, const std::ptrdiff_t* d0, const std::ptrdiff_t* d1,
                            const double* xr0, const double* xr1, double* out, int width) {
    // Four doubles per column (the fourth is the next pixel's red, overwritten by the
    // next column); products and sum exactly as the scalar form.
    // A column whose right weight is exactly 0 is its left sample itself: p*1 + q*0 == p.
    for (int ix = 0; ix < width; ++ix) {
        const __m256d p = _mm256_loadu_pd(src + d0[ix]);
        if (xr1[ix] == 0) {
            _mm256_storeu_pd(out + 3 * ix, p);
            continue;
        }
        const __m256d q = _mm256_loadu_pd(src + d1[ix]);
        const __m256d v = _mm256_add_pd(_mm256_mul_pd(p, _mm256_broadcast_sd(xr0 + ix)),
                                        _mm256_mul_pd(q, _mm256_broadcast_sd(xr1 + ix)));
        _mm256_storeu_pd(out + 3 * ix, v);
    }
}

// Four bytes from p as four doubles, put in red, green, blue order.
__attribute__((target("avx2"), always_inline)) inline __m256d pixelAvx2(const uchar* p,
                                                                        bool swapRedBlue) {
    std::uint32_t four;
    std::memcpy(&four, p, 4);
    const __m256d v =
        _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(static_cast<int>(four))));
    return swapRedBlue ? _mm256_permute4x64_pd(v, _MM_SHUFFLE(3, 0, 1, 2)) : v;
}

__attribute__((target("avx2"))) void
blendColumnsFromBytesAvx2(const uchar* row, const SourceLayout& L, const int* off0, const int* off1,
                          const double* xr0, const double* xr1, double* out, int width,
                          int vectorWidth) {
    const bool inOrder = L.r == 0 && L.g == 1 && L.b == 2;
    const bool reversed = L.r == 2 && L.g == 1 && L.b == 0;
    int ix = 0;
    if (inOrder || reversed) {
        for (; ix < vectorWidth; ++ix) {
            const __m256d p = pixelAvx2(row + off0[ix], reversed);
            const __m256d q = pixelAvx2(row + off1[ix], reversed);
            const __m256d v = _mm256_add_pd(_mm256_mul_pd(p, _mm256_broadcast_sd(xr0 + ix)),
                                            _mm256_mul_pd(q, _mm256_broadcast_sd(xr1 + ix)));
            _mm256_storeu_pd(out + 3 * ix, v);
        }
    }
    // Leave the vector unit clean before plain code runs: a dirty upper state makes every
    // later non-VEX instruction pay for it.
    _mm256_zeroupper();
    blendColumnsFromBytesGeneric(row, L, off0 + ix, off1 + ix, xr0 + ix, xr1 + ix, out + 3 * ix,
                                 width - ix, 0);
}
// GCC 12 reports the intrinsics' own undefined placeholders as maybe uninitialized.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
// Sixteen values per step on processors with 512-bit vectors; the same products, sums and
// rounding as above. Negative results cannot occur (non-negative weights and samples); the
// max keeps them at 0 anyway, as the scalar form does, before the unsigned narrowing that
// limits to 255.
__attribute__((target("avx512f"))) void blendRowsAvx512(const double* top, const double* bottom,
                                                        double yr0, double yr1, uchar* out, int n) {
    const __m512d w0 = _mm512_set1_pd(yr0);
    const __m512d w1 = _mm512_set1_pd(yr1);
    int k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m512d a = _mm512_add_pd(_mm512_mul_pd(_mm512_loadu_pd(top + k), w0),
                                        _mm512_mul_pd(_mm512_loadu_pd(bottom + k), w1));
        const __m512d b = _mm512_add_pd(_mm512_mul_pd(_mm512_loadu_pd(top + k + 8), w0),
                                        _mm512_mul_pd(_mm512_loadu_pd(bottom + k + 8), w1));
        __m512i v = _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtpd_epi32(a)),
                                       _mm512_cvtpd_epi32(b), 1);
        v = _mm512_max_epi32(v, _mm512_setzero_si512());
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm512_cvtusepi32_epi8(v));
    }
    _mm256_zeroupper();
    for (; k < n; ++k)
        out[k] = setByteFast(top[k] * yr0 + bottom[k] * yr1);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

Kernels chooseKernels(bool vector) {
#ifdef QUMO_RESIZE_X86
    __builtin_cpu_init();
    if (vector && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f"))
        return {blendRowsAvx512, roundRowAvx2, rowToDoublesAvx2, blendColumnsFromDoublesAvx2,
                blendColumnsFromBytesAvx2};
    if (vector && __builtin_cpu_supports("avx2"))
        return {blendRowsAvx2, roundRowAvx2, rowToDoublesAvx2, blendColumnsFromDoublesAvx2,
                blendColumnsFromBytesAvx2};
#endif
    (void)vector;
    return {blendRowsGeneric, roundRowGeneric, rowToDoublesGeneric, blendColumnsFromDoublesGeneric,
            blendColumnsFromBytesGeneric};
}

Kernels kernels = chooseKernels(true);

// A picture whose pixels can be read directly: 24-bit RGB, or 32-bit with the alpha byte
// ignored (dropping alpha is what the conversion to 24 bits means). Anything else is
// converted once: formats with alpha through non-premultiplied ARGB (so premultiplied
// colours are restored before alpha is dropped), the others to RGB32.
QImage readableSource(const QImage& src, SourceLayout* layout) {
    const bool littleEndian = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    switch (src.format()) {
    case QImage::Format_RGB888:
        *layout = {3, 0, 1, 2};
        return src;
    case QImage::Format_BGR888:
        *layout = {3, 2, 1, 0};
        return src;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        *layout = littleEndian ? SourceLayout{4, 2, 1, 0} : SourceLayout{4, 1, 2, 3};
        return src;
    default:
        break;
    }
    *layout = littleEndian ? SourceLayout{4, 2, 1, 0} : SourceLayout{4, 1, 2, 3};
    return src.convertToFormat(src.hasAlphaChannel() ? QImage::Format_ARGB32
                                                     : QImage::Format_RGB32);
}

// The column and row positions of the definition, computed once per column and per row.
struct Axis {
    std::vector<int> i0, i1;
    std::vector<double> r0, r1;
};

// The positions of `dstSize` columns (or rows) into arrays of that length.
void fillAxis(int srcSize, int dstSize, int* i0, int* i1, double* r0, double* r1) {
    const double factor = static_cast<double>(srcSize) / dstSize;
    for (int i = 0; i < dstSize; ++i) {
        const double p = i * factor;
        int p0 = static_cast<int>(p); // truncation toward zero
        if (p0 < 0)
            p0 = 0;
        // p < srcSize always holds (the gap is srcSize/dstSize, far above rounding);
        // the clamp only keeps reads inside the picture whatever happens.
        if (p0 > srcSize - 1)
            p0 = srcSize - 1;
        const int p1 = p0 + 1 > srcSize - 1 ? p0 : p0 + 1;
        i0[i] = p0;
        i1[i] = p1;
        r1[i] = p - p0;
        r0[i] = 1 - r1[i];
    }
}

Axis makeAxis(int srcSize, int dstSize) {
    Axis a;
    a.i0.resize(dstSize);
    a.i1.resize(dstSize);
    a.r0.resize(dstSize);
    a.r1.resize(dstSize);
    fillAxis(srcSize, dstSize, a.i0.data(), a.i1.data(), a.r0.data(), a.r1.data());
    return a;
}

// The working tables of one resize, carved from one block: on the stack for the small
// results (a thumbnail's are a few kilobytes), where allocating them one by one would cost
// as much as the resize itself.
class Tables {
public:
    Tables(int width, int height, size_t rowDoubles) {
        const size_t doubles = 2 * size_t(width) + 2 * size_t(height) + rowDoubles;
        const size_t diffs = 2 * size_t(width);
        const size_t ints = 4 * size_t(width) + 2 * size_t(height);
        const size_t bytes = doubles * sizeof(double) + diffs * sizeof(std::ptrdiff_t) +
                             ints * sizeof(int);
        at_ = stack_;
        if (bytes > sizeof stack_) {
            heap_.reset(new std::byte[bytes]);
            at_ = heap_.get();
        }
        // Eight-byte values first, so that each array is aligned to its type.
        xr0 = take<double>(width);
        xr1 = take<double>(width);
        yr0 = take<double>(height);
        yr1 = take<double>(height);
        rows = take<double>(rowDoubles);
        dd0 = take<std::ptrdiff_t>(width);
        dd1 = take<std::ptrdiff_t>(width);
        xi0 = take<int>(width);
        xi1 = take<int>(width);
        off0 = take<int>(width);
        off1 = take<int>(width);
        yi0 = take<int>(height);
        yi1 = take<int>(height);
    }
    double *xr0, *xr1, *yr0, *yr1, *rows;
    std::ptrdiff_t *dd0, *dd1;
    int *xi0, *xi1, *off0, *off1, *yi0, *yi1;

private:
    template <typename T>
    T* take(size_t count) {
        T* p = reinterpret_cast<T*>(at_);
        at_ += count * sizeof(T);
        return p;
    }

    alignas(64) std::byte stack_[16384];
    std::byte* at_;
    std::unique_ptr<std::byte[]> heap_;
};

} // namespace

QImage BitmapResize_Bilinear(const QImage& Bitmap, int Width, int Height) {
    if (Width < 1 || Height < 1)
        throw QumoError(QStringLiteral("大きさが正しくありません。"));
    const int SrcWidth = Bitmap.width();
    const int SrcHeight = Bitmap.height();
    // A picture without pixels has nothing to sample from.
    if (Bitmap.isNull() || SrcWidth < 1 || SrcHeight < 1)
        throw QumoError(QStringLiteral("画像がありません。"));

    SourceLayout L;
    const QImage src = readableSource(Bitmap, &L);
    if (src.isNull())
        throw QumoError(QStringLiteral("画像を変換できません。"));

    // Same size: every fraction is 0, so the result is the source in 24 bits.
    if (Width == SrcWidth && Height == SrcHeight && Bitmap.format() == QImage::Format_RGB888)
        return Bitmap.copy();

    QImage NewBM(Width, Height, QImage::Format_RGB888);
    if (NewBM.isNull())
        throw QumoError(QStringLiteral("画像を作るメモリが足りません。"));

    // Enlarging reads every source pixel several times: its channels are made doubles once.
    const bool viaDoubles = Width >= SrcWidth;
    const size_t rowDoubles = viaDoubles ? 3 * static_cast<size_t>(SrcWidth) + 1 : 0;
    // Two blended source rows, tagged with the source row they hold; consecutive
    // destination rows often share them. Each has one spare double for the vector store.
    const int n = Width * 3;
    Tables t(Width, Height, 2 * (static_cast<size_t>(n) + 1) + rowDoubles);
    fillAxis(SrcWidth, Width, t.xi0, t.xi1, t.xr0, t.xr1);
    fillAxis(SrcHeight, Height, t.yi0, t.yi1, t.yr0, t.yr1);
    const struct {
        const int *i0, *i1;
        const double *r0, *r1;
    } ys{t.yi0, t.yi1, t.yr0, t.yr1};
    const int* off0 = t.off0;
    const int* off1 = t.off1;
    for (int ix = 0; ix < Width; ++ix) {
        t.off0[ix] = t.xi0[ix] * L.bpp;
        t.off1[ix] = t.xi1[ix] * L.bpp;
        t.dd0[ix] = 3 * std::ptrdiff_t(t.xi0[ix]);
        t.dd1[ix] = 3 * std::ptrdiff_t(t.xi1[ix]);
    }

    double* rowA = t.rows;
    double* rowB = rowA + n + 1;
    double* srcDoubles = rowB + n + 1;
    int tagA = -1, tagB = -1;
    const uchar* bits = src.constBits();
    const qsizetype stride = src.bytesPerLine();
    const Kernels k = kernels;
    int lastRowVectorWidth = 0;
    while (lastRowVectorWidth < Width && off1[lastRowVectorWidth] + 4 <= stride)
        ++lastRowVectorWidth;
    auto fill = [&](double* buf, int y) {
        const uchar* row = bits + y * stride;
        if (viaDoubles) {
            k.rowToDoubles(row, L, SrcWidth, srcDoubles);
            srcDoubles[3 * SrcWidth] = 0;
            k.blendColumnsFromDoubles(srcDoubles, t.dd0, t.dd1, t.xr0, t.xr1, buf, Width);
        } else {
            // Four-byte reads stay inside the picture except past the very end of its
            // last row.
            k.blendColumnsFromBytes(row, L, off0, off1, t.xr0, t.xr1, buf, Width,
                                    y < SrcHeight - 1 ? Width : lastRowVectorWidth);
        }
    };

    // Destination rows that share their top source row are done together, a slice of columns
    // at a time, so the slice of the blended rows stays in the fastest cache while each of
    // them reads it (enlarging makes several such rows).
    constexpr int Slice = 1536; // values: 12 KB of doubles per blended row
    for (int iy = 0; iy < Height;) {
        const int y0 = ys.i0[iy];
        int end = iy + 1;
        while (end < Height && ys.i0[end] == y0)
            ++end;
        // A bottom weight of exactly 0 adds exactly 0 whatever the bottom row holds, so the
        // bottom row is made only when some row of the group gives it weight.
        int y1 = y0;
        for (int r = iy; r < end; ++r)
            if (ys.r1[r] != 0)
                y1 = ys.i1[r]; // the same for the whole group: y0 + 1, or y0 at the edge
        if (tagA != y0) {
            if (tagB == y0) {
                std::swap(rowA, rowB);
                std::swap(tagA, tagB);
            } else {
                fill(rowA, y0);
                tagA = y0;
            }
        }
        const double* bottom = rowA;
        if (y1 != y0) {
            if (tagB != y1) {
                fill(rowB, y1);
                tagB = y1;
            }
            bottom = rowB;
        }
        for (int c = 0; c < n; c += Slice) {
            const int len = std::min(Slice, n - c);
            for (int r = iy; r < end; ++r) {
                uchar* out = NewBM.scanLine(r) + c;
                if (ys.r1[r] == 0)
                    k.roundRow(rowA + c, out, len);
                else
                    k.blendRows(rowA + c, bottom + c, ys.r0[r], ys.r1[r], out, len);
            }
        }
        iy = end;
    }
    return NewBM;
}

std::vector<bool> bilinearRowsRead(int SrcHeight, int Height) {
    std::vector<bool> read(SrcHeight > 0 ? size_t(SrcHeight) : 0, false);
    if (SrcHeight < 1 || Height < 1)
        return read;
    // The same axis and the same rule as the resize: the top row always, the bottom row only
    // where it has weight.
    const Axis ys = makeAxis(SrcHeight, Height);
    for (int iy = 0; iy < Height; ++iy) {
        read[size_t(ys.i0[iy])] = true;
        if (ys.r1[iy] != 0)
            read[size_t(ys.i1[iy])] = true;
    }
    return read;
}

bool resizeUseVectorUnit(bool enabled) {
    kernels = chooseKernels(enabled);
    return kernels.blendRows != blendRowsGeneric;
}

quint8 SetByte(double aValue) {
    const double r = std::nearbyint(aValue); // the default rounding mode: half to even
    if (r > 255)
        return 255;
    if (!(r > 0))
        return 0;
    return static_cast<quint8>(r);
}
