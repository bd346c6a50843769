// Small pictures of JPEGs made from the coefficients, byte for byte as from the whole picture.
#include "mwex/core/jpegthumb.h"
#include "mwex/core/resize.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <QtEndian>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

// libjpeg-turbo makes a picture in strips of 8 or 16 rows: every strip a 36-row thumbnail
// touches is transformed, upsampled and converted whole, which for a photograph is nearly
// every strip. Here the library only reads the coefficients (that part of decoding cannot be
// skipped), and the few pixels the resize reads are made from them by the same integer
// arithmetic the library applies with its default settings, those jpegio uses:
//  - the "slow integer" inverse transform (LL&M, 13-bit constants, 2 extra bits in the
//    first pass), dequantizing with the component's table;
//  - "fancy" upsampling of 2:1 chroma: a triangle filter, 3/4 of the nearer sample and 1/4
//    of the further one in each doubled direction, with the edge samples repeated;
//  - the fixed-point YCbCr to RGB conversion with 16-bit tables.
// The library runs vector code for the transform, which keeps values in 16 bits and clamps
// where the plain code wraps; both agree while the values stay in the range real pictures
// give. A block whose values leave it (only a damaged or made-up file) sends the picture to
// the whole decoder, as does anything else not made here.
//
// As in jpegio, the function driving the library keeps everything it changes after setjmp in
// a heap object, and no C++ frame with destructors lies between the library and the setjmp.

namespace jpegio {
namespace {

// Limits within which the library's vector transform computes exactly what its plain code
// does: dequantized coefficients and first-pass values whose sums of four fit in 16 bits,
// and results that the plain code's range table clamps rather than wraps.
constexpr int MaxDequantized = 2047;
constexpr int MaxFirstPass = 8191;
constexpr int MaxResult = 511;

struct Partial {
    jpeg_decompress_struct cinfo;
    struct {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
    } err;
    jpeg_progress_mgr progressMgr;
    bool created = false;
    bool warned = false;
    bool singleScan = false;
    // Each component's rows of blocks (null where none is needed) and its quantization.
    std::array<std::vector<JBLOCKROW>, 3> blockRows;
    std::array<const JQUANT_TBL*, 3> quant{};
    std::vector<std::unique_ptr<JBLOCK[]>> storage;
};

Partial* owner(j_common_ptr cinfo) {
    return static_cast<Partial*>(cinfo->client_data);
}

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    std::longjmp(owner(cinfo)->err.jump, 1);
}

// Any warning (data cut short, a marker inside the picture data, stray bytes) leaves the
// picture to the whole decoder, which decides what it means.
void emitMessage(j_common_ptr cinfo, int level) {
    if (level < 0)
        owner(cinfo)->warned = true;
}

void outputMessage(j_common_ptr) {}

void progress(j_common_ptr cinfo) {
    Partial* p = owner(cinfo);
    if (p->cinfo.input_scan_number > MaxScans)
        std::longjmp(p->err.jump, 1);
    // A file of one scan is made by the whole decoder as soon as its last block is read:
    // whatever follows (the end marker, or bytes that are none) is never looked at. Reading
    // the coefficients would go on to the end marker; it is made to find one here.
    if (p->singleScan && p->cinfo.input_iMCU_row >= p->cinfo.total_iMCU_rows)
        p->cinfo.unread_marker = 0xD9; // EOI
}

void initErrors(Partial* p) {
    jpeg_std_error(&p->err.pub);
    p->err.pub.error_exit = errorExit;
    p->err.pub.emit_message = emitMessage;
    p->err.pub.output_message = outputMessage;
    p->cinfo.err = &p->err.pub;
}

// The header up to the first scan; false for what is not made here.
bool readHeader(Partial* p, const QByteArray* bytes, qint64 maxPixels) {
    initErrors(p);
    if (setjmp(p->err.jump))
        return false;
    jpeg_create_decompress(&p->cinfo);
    p->created = true;
    p->cinfo.client_data = p;
    p->progressMgr.progress_monitor = progress;
    p->cinfo.progress = &p->progressMgr;
    jpeg_mem_src(&p->cinfo, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    if (jpeg_read_header(&p->cinfo, TRUE) != JPEG_HEADER_OK || p->warned)
        return false;
    const jpeg_decompress_struct& c = p->cinfo;
    if (c.image_width < 1 || c.image_height < 1 ||
        qint64(c.image_width) * qint64(c.image_height) > maxPixels || c.data_precision != 8)
        return false;
    const bool grey = c.jpeg_color_space == JCS_GRAYSCALE && c.num_components == 1;
    const bool ycc = c.jpeg_color_space == JCS_YCbCr && c.num_components == 3;
    if (!grey && !ycc)
        return false;
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& comp = c.comp_info[ci];
        const int h = comp.h_samp_factor, v = comp.v_samp_factor;
        const bool full = h == c.max_h_samp_factor && v == c.max_v_samp_factor;
        const bool halfWide = 2 * h == c.max_h_samp_factor && comp.downsampled_width > 2;
        // 2:1 across only (4:2:2), or both ways (4:2:0); the library repeats samples
        // instead of filtering for chroma two samples wide or less.
        if (!full && !(halfWide && (v == c.max_v_samp_factor || 2 * v == c.max_v_samp_factor)))
            return false;
    }
    p->singleScan = !c.progressive_mode && c.comps_in_scan == c.num_components;
    return true;
}

// All coefficients through the library (files of several scans, arithmetic coding).
bool readCoefficients(Partial* p) {
    if (setjmp(p->err.jump))
        return false;
    const jpeg_decompress_struct& c = p->cinfo;
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&p->cinfo);
    if (!coefficients || p->warned)
        return false;
    for (int ci = 0; ci < c.num_components; ++ci) {
        const jpeg_component_info& comp = c.comp_info[ci];
        if (!comp.quant_table)
            return false;
        p->quant[size_t(ci)] = comp.quant_table;
        for (JDIMENSION br = 0; br < comp.height_in_blocks; ++br)
            p->blockRows[size_t(ci)].push_back((*c.mem->access_virt_barray)(
                reinterpret_cast<j_common_ptr>(&p->cinfo), coefficients[ci], br, 1, FALSE)[0]);
        // Every scan of a progressive file read in full: otherwise the library smooths the
        // blocks whose coefficients are still coarse.
        if (c.progressive_mode) {
            if (!c.coef_bits)
                return false;
            for (int k = 0; k < DCTSIZE2; ++k)
                if (c.coef_bits[ci][k] != 0)
                    return false;
        }
    }
    return true;
}

// Files of one baseline scan with Huffman coding (what cameras and most programs write) are
// read here instead: every block's codes must still be read, but those of the blocks no
// needed pixel lies in are only stepped over, which takes a fraction of the library's time
// for decoding them. The codes mean what the standard says; anything the library would warn
// about or fill in (a bad code, data cut short or broken by a marker, a restart marker out of
// order or with bytes before it, a run past the block's end) leaves the picture to the whole
// decoder.
class Huffman {
public:
    // False for a table the library refuses (a code of all ones, or one too long).
    bool build(const JHUFF_TBL& t, bool dc) {
        int code = 0, k = 0;
        for (int len = 1; len <= 16; ++len) {
            valOffset_[len] = k - code;
            for (int i = 0; i < t.bits[len]; ++i, ++k, ++code) {
                // A code of all ones, or longer than its length, ends the table.
                if (k >= 256 || code >= (1 << len) - 1)
                    return false;
                const int sym = t.huffval[k];
                if (dc && sym > 15)
                    return false;
                if (len <= FastBits)
                    for (int f = code << (FastBits - len); f < (code + 1) << (FastBits - len); ++f)
                        fast_[size_t(f)] = quint16(sym | len << 8);
            }
            maxCode_[len] = code - 1; // below this length's first code: none of it
            code <<= 1;
        }
        std::copy(std::begin(t.huffval), std::end(t.huffval), values_.begin());
        if (!dc) {
            buildSkips();
            buildValues();
        }
        return true;
    }
    // An AC code with a value, and its value bits, read in one step where both lie in the
    // next SkipBits bits: the bits they take, the run of zeros before it and the value.
    struct Value {
        int bits, run, value;
    };
    Value value(quint64 bits) const {
        const qint32 e = values32_[size_t(bits >> (64 - SkipBits))];
        return {e & 31, (e >> 5) & 15, e >> 16};
    }
    // Stepping over AC codes several at a time: for the next SkipBits bits, the codes (with
    // their value bits) that lie wholly in them, as the bits they take, the coefficients they
    // advance by and whether the last is the end of the block; 0 where not even one fits.
    static constexpr int SkipBits = 12;
    struct Skip {
        int bits, advance;
        bool end;
    };
    Skip skip(quint64 bits) const {
        const quint16 e = skips_[size_t(bits >> (64 - SkipBits))];
        return {e & 15, e >> 5, (e & 16) != 0};
    }
    static constexpr int FastBits = 10;
    // The symbol at the top of `bits` (left-aligned), and its length; 0 for no code.
    int decode(quint64 bits, int* len) const {
        const quint16 f = fast_[size_t(bits >> (64 - FastBits))];
        if (f) {
            *len = f >> 8;
            return f & 0xFF;
        }
        return decodeLong(bits, len);
    }
    [[gnu::noinline]] int decodeLong(quint64 bits, int* len) const {
        for (int l = FastBits + 1; l <= 16; ++l) {
            const int code = int(bits >> (64 - l));
            if (code <= maxCode_[l]) {
                *len = l;
                return values_[size_t(code + valOffset_[l])];
            }
        }
        *len = 0;
        return 0;
    }

private:
    void buildSkips() {
        for (int f = 0; f < 1 << SkipBits; ++f) {
            int used = 0, advance = 0;
            bool end = false;
            while (!end && advance < 64 && used < SkipBits) {
                const quint64 rest = quint64(f) << (64 - SkipBits + used);
                const quint16 e = fast_[size_t(rest >> (64 - FastBits))];
                const int len = e >> 8, sym = e & 0xFF;
                if (!e || used + len + (sym & 15) > SkipBits)
                    break;
                used += len + (sym & 15);
                if (sym & 15)
                    advance += (sym >> 4) + 1;
                else if (sym >> 4 == 15)
                    advance += 16;
                else
                    end = true;
            }
            skips_[size_t(f)] = quint16(used | (end ? 16 : 0) | advance << 5);
        }
    }

    void buildValues() {
        for (int f = 0; f < 1 << SkipBits; ++f) {
            const quint16 e = fast_[size_t(f >> (SkipBits - FastBits))];
            const int len = e >> 8, sym = e & 0xFF, size = sym & 15;
            qint32 entry = 0;
            if (e && size && len + size <= SkipBits) {
                const int raw = (f >> (SkipBits - len - size)) & ((1 << size) - 1);
                const int v = raw < (1 << (size - 1)) ? raw - (1 << size) + 1 : raw;
                entry = qint32(quint32(len + size) | quint32(sym >> 4) << 5 |
                               quint32(v) << 16);
            }
            values32_[size_t(f)] = entry;
        }
    }

    std::array<quint16, 1 << FastBits> fast_{};
    std::array<quint16, 1 << SkipBits> skips_{};
    std::array<qint32, 1 << SkipBits> values32_{};
    std::array<int, 17> maxCode_{}, valOffset_{};
    std::array<quint8, 256> values_{};
};

// Bits of the entropy-coded data, with stuffed zero bytes removed. At a marker or the end of
// the data it goes on with zero bits, as the library does, and counts them: reading one of
// them is what the library warns about.
struct BitState {
    const uchar* p;
    quint64 acc; // left-aligned
    int n;       // bits in acc
    int padding; // of them, zero bits put in past a marker or the end
    bool stopped;
    bool atEnd; // stopped by the end of the data rather than by a marker
};

// Byte by byte, near a 0xFF or the end. Takes and gives the state by value, so that the
// reader's state stays in registers on the common path.
[[gnu::noinline]] BitState fillSlowly(BitState s, const uchar* end) {
    while (s.n <= 56) {
        quint64 byte = 0;
        if (!s.stopped && s.p < end) {
            byte = *s.p;
            if (byte == 0xFF) {
                // As the library reads it: fill bytes 0xFF may stand between the 0xFF and
                // what follows; a zero then makes the whole run one data byte 0xFF.
                const uchar* q = s.p + 1;
                while (q < end && *q == 0xFF)
                    ++q;
                if (q < end && *q == 0) {
                    s.p = q + 1;
                } else {
                    s.stopped = true; // a marker, or 0xFFs at the very end
                    s.atEnd = q >= end;
                    byte = 0;
                    s.padding += 8;
                }
            } else {
                ++s.p;
            }
        } else {
            s.atEnd = s.atEnd || !s.stopped;
            s.stopped = true;
            s.padding += 8;
        }
        s.acc |= byte << (56 - s.n);
        s.n += 8;
    }
    return s;
}

class BitReader {
public:
    BitReader(const uchar* p, const uchar* end) : s_{p, 0, 0, 0, false, false}, end_(end) {}
    // At least 57 bits in the buffer afterwards.
    inline void fill() {
        if (s_.n > 56)
            return;
        // Whole bytes at once while none of the next eight is 0xFF.
        if (!s_.stopped && end_ - s_.p >= 8) {
            quint64 w;
            std::memcpy(&w, s_.p, 8);
            const quint64 inverted = ~w;
            if (((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) == 0) {
                const int bytes = (64 - s_.n) / 8;
                const quint64 big = qFromBigEndian(w);
                s_.acc |= (big >> (64 - 8 * bytes)) << (64 - 8 * bytes - s_.n);
                s_.n += 8 * bytes;
                s_.p += bytes;
                return;
            }
        }
        s_ = fillSlowly(s_, end_);
    }
    quint64 bits() const { return s_.acc; }
    void skip(int k) {
        s_.acc <<= k;
        s_.n -= k;
    }
    int take(int k) { // 1..16 bits
        const int v = int(s_.acc >> (64 - k));
        skip(k);
        return v;
    }
    int available() const { return s_.n; }
    // No zero bit put in for a marker or the end has been read.
    bool intact() const { return s_.n >= s_.padding; }
    // At a restart: the bits before the marker are the last byte's padding, and the marker
    // is the one expected. Starts afresh after it.
    bool restart(int number) {
        if (!intact() || s_.n - s_.padding >= 8)
            return false;
        if (!s_.stopped) {
            s_ = fillSlowly(s_, end_);
            if (s_.n - s_.padding >= 8)
                return false;
        }
        if (!(s_.p + 1 < end_ && s_.p[0] == 0xFF && s_.p[1] == 0xD0 + (number & 7)))
            return false;
        s_ = {s_.p + 2, 0, 0, 0, false, false};
        return true;
    }
    // After the last block. The library reads ahead up to 64 bits, and meeting the end of
    // the data there (rather than a marker) is a warning even when no bit is missing.
    bool finished() {
        fill();
        if (!intact() || s_.atEnd)
            return false;
        if (s_.stopped)
            return true; // at a marker
        for (const uchar* q = s_.p; q < s_.p + 16; ++q) {
            if (q + 1 >= end_)
                return false;
            if (q[0] == 0xFF && q[1] != 0 && q[1] != 0xFF)
                return true;
        }
        return true;
    }

private:
    BitState s_;
    const uchar* end_;
};

constexpr std::array<int, 64> NaturalOrder = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

inline int extend(int v, int s) {
    return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
}

// One block: its coefficients into `block` (zeroed by the caller), or only stepped over
// when `block` is null. False on anything the library would not decode silently.
[[gnu::always_inline]] inline bool decodeBlock(BitReader& in, const Huffman& dc, const Huffman& ac, int* pred, JCOEF* block) {
    in.fill();
    int len;
    const int s = dc.decode(in.bits(), &len);
    if (!len)
        return false;
    in.skip(len);
    if (s) {
        *pred += extend(in.take(s), s);
        // Far beyond any real value; keeps the sum from overflowing.
        if (*pred > (1 << 24) || *pred < -(1 << 24))
            return false;
    }
    int k = 1;
    if (block) {
        block[0] = JCOEF(*pred);
    } else {
        // Several codes at a time while they stay inside the block (an end of block among
        // them is only one while the coefficients before it leave room for more).
        for (;;) {
            if (in.available() < 32)
                in.fill();
            const Huffman::Skip sk = ac.skip(in.bits());
            if (!sk.bits)
                break;
            if (k + sk.advance >= 64) {
                // Near the end of the block: one code alone.
                int len;
                const int sym = ac.decode(in.bits(), &len);
                const int r = sym >> 4, size = sym & 15;
                if (!len || !size || k + r + 1 >= 64)
                    break;
                in.skip(len + size);
                k += r + 1;
                continue;
            }
            in.skip(sk.bits);
            if (sk.end)
                return true;
            k += sk.advance;
        }
    }
    while (k < 64) {
        if (in.available() < 32)
            in.fill();
        if (block) {
            const Huffman::Value v = ac.value(in.bits());
            if (v.bits) {
                k += v.run;
                if (k > 63)
                    return false;
                in.skip(v.bits);
                block[NaturalOrder[size_t(k)]] = JCOEF(v.value);
                ++k;
                continue;
            }
        }
        const int sym = ac.decode(in.bits(), &len);
        if (!len)
            return false;
        const int r = sym >> 4, size = sym & 15;
        if (size) {
            k += r;
            if (k > 63)
                return false;
            if (block) {
                in.skip(len);
                block[NaturalOrder[size_t(k)]] = JCOEF(extend(in.take(size), size));
            } else {
                in.skip(len + size);
            }
            ++k;
        } else {
            in.skip(len);
            if (r != 15)
                break;
            k += 16;
        }
    }
    return true;
}

// Which blocks hold a needed sample: by block row and by block column, per component.
struct Needs {
    std::array<std::vector<char>, 3> blockRow, blockCol;
};

bool readScan(Partial* p, const Needs& needs) {
    const jpeg_decompress_struct& c = p->cinfo;
    if (c.arith_code || c.Ss != 0 || c.Se != 63 || c.Ah != 0 || c.Al != 0)
        return false;
    const int n = c.num_components;
    std::array<Huffman, 3> dc, ac;
    std::array<int, 3> order{}; // scan position -> component
    for (int i = 0; i < c.comps_in_scan; ++i) {
        const jpeg_component_info* comp = c.cur_comp_info[i];
        const int ci = int(comp - c.comp_info);
        if (ci < 0 || ci >= n)
            return false;
        order[size_t(i)] = ci;
        const int d = comp->dc_tbl_no, a = comp->ac_tbl_no;
        if (d < 0 || d >= NUM_HUFF_TBLS || a < 0 || a >= NUM_HUFF_TBLS ||
            !c.dc_huff_tbl_ptrs[d] || !c.ac_huff_tbl_ptrs[a] ||
            !dc[size_t(ci)].build(*c.dc_huff_tbl_ptrs[d], true) ||
            !ac[size_t(ci)].build(*c.ac_huff_tbl_ptrs[a], false))
            return false;
        const int qn = comp->quant_tbl_no;
        if (qn < 0 || qn >= NUM_QUANT_TBLS || !c.quant_tbl_ptrs[qn])
            return false;
        p->quant[size_t(ci)] = c.quant_tbl_ptrs[qn];
    }
    // Rows of blocks are kept only where a needed sample lies.
    for (int ci = 0; ci < n; ++ci) {
        const jpeg_component_info& comp = c.comp_info[ci];
        auto& rows = p->blockRows[size_t(ci)];
        rows.assign(comp.height_in_blocks, nullptr);
        for (JDIMENSION br = 0; br < comp.height_in_blocks; ++br) {
            if (!needs.blockRow[size_t(ci)][br])
                continue;
            p->storage.emplace_back(new JBLOCK[comp.width_in_blocks]);
            rows[br] = p->storage.back().get();
        }
    }
    const uchar* data = c.src->next_input_byte;
    BitReader in(data, data + c.src->bytes_in_buffer);
    std::array<int, 3> pred{};
    const bool interleaved = n > 1;
    const int mcuCols = interleaved ? int((c.image_width + 8 * c.max_h_samp_factor - 1) /
                                          (8 * c.max_h_samp_factor))
                                    : int(c.comp_info[0].width_in_blocks);
    const int mcuRows = interleaved ? int((c.image_height + 8 * c.max_v_samp_factor - 1) /
                                          (8 * c.max_v_samp_factor))
                                    : int(c.comp_info[0].height_in_blocks);
    const long interval = long(c.restart_interval);
    long count = 0;
    int restarts = 0;
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcuCols; ++mx, ++count) {
            if (interval && count && count % interval == 0) {
                if (!in.restart(restarts++))
                    return false;
                pred = {};
            }
            for (int i = 0; i < c.comps_in_scan; ++i) {
                const int ci = order[size_t(i)];
                const jpeg_component_info& comp = c.comp_info[ci];
                const int h = interleaved ? comp.h_samp_factor : 1;
                const int v = interleaved ? comp.v_samp_factor : 1;
                for (int yy = 0; yy < v; ++yy) {
                    const int br = my * v + yy;
                    JBLOCKROW row = br < int(comp.height_in_blocks) ? p->blockRows[size_t(ci)][size_t(br)]
                                                                     : nullptr;
                    for (int xx = 0; xx < h; ++xx) {
                        const int bc = mx * h + xx;
                        JCOEF* block = nullptr;
                        if (row && bc < int(comp.width_in_blocks) &&
                            needs.blockCol[size_t(ci)][size_t(bc)]) {
                            block = row[bc];
                            std::fill(block, block + DCTSIZE2, JCOEF(0));
                        }
                        if (!decodeBlock(in, dc[size_t(ci)], ac[size_t(ci)], &pred[size_t(ci)],
                                         block))
                            return false;
                    }
                }
            }
        }
    }
    return in.finished();
}

// The inverse transform, first pass: the columns of one block into 64 values (row by row).
// False when a value leaves the range where the library's code agrees with this.
constexpr int ConstBits = 13, Pass1Bits = 2;
constexpr int F0_298631336 = 2446, F0_390180644 = 3196, F0_541196100 = 4433,
              F0_765366865 = 6270, F0_899976223 = 7373, F1_175875602 = 9633,
              F1_501321110 = 12299, F1_847759065 = 15137, F1_961570560 = 16069,
              F2_053119869 = 16819, F2_562915447 = 20995, F3_072711026 = 25172;

inline bool dequantize(JCOEF c, int q, int* out) {
    const int v = int(c) * q;
    *out = v;
    return v >= -MaxDequantized && v <= MaxDequantized;
}

bool firstPass(const JCOEF* in, const int* q, int* ws) {
    for (int col = 0; col < 8; ++col) {
        const JCOEF* i = in + col;
        const int* qq = q + col;
        if ((i[8] | i[16] | i[24] | i[32] | i[40] | i[48] | i[56]) == 0) {
            int dc;
            if (!dequantize(i[0], qq[0], &dc))
                return false;
            for (int r = 0; r < 8; ++r)
                ws[8 * r + col] = dc * (1 << Pass1Bits);
            continue;
        }
        int d[8];
        for (int r = 0; r < 8; ++r)
            if (!dequantize(i[8 * r], qq[8 * r], &d[r]))
                return false;
        int z1 = (d[2] + d[6]) * F0_541196100;
        const int tmp2e = z1 - d[6] * F1_847759065;
        const int tmp3e = z1 + d[2] * F0_765366865;
        const int tmp0e = (d[0] + d[4]) * (1 << ConstBits);
        const int tmp1e = (d[0] - d[4]) * (1 << ConstBits);
        const int tmp10 = tmp0e + tmp3e, tmp13 = tmp0e - tmp3e;
        const int tmp11 = tmp1e + tmp2e, tmp12 = tmp1e - tmp2e;

        int tmp0 = d[7], tmp1 = d[5], tmp2 = d[3], tmp3 = d[1];
        z1 = tmp0 + tmp3;
        int z2 = tmp1 + tmp2, z3 = tmp0 + tmp2, z4 = tmp1 + tmp3;
        const int z5 = (z3 + z4) * F1_175875602;
        tmp0 *= F0_298631336;
        tmp1 *= F2_053119869;
        tmp2 *= F3_072711026;
        tmp3 *= F1_501321110;
        z1 *= -F0_899976223;
        z2 *= -F2_562915447;
        z3 = z3 * -F1_961570560 + z5;
        z4 = z4 * -F0_390180644 + z5;
        tmp0 += z1 + z3;
        tmp1 += z2 + z4;
        tmp2 += z2 + z3;
        tmp3 += z1 + z4;

        constexpr int shift = ConstBits - Pass1Bits;
        constexpr int half = 1 << (shift - 1);
        const int out[8] = {(tmp10 + tmp3 + half) >> shift, (tmp11 + tmp2 + half) >> shift,
                            (tmp12 + tmp1 + half) >> shift, (tmp13 + tmp0 + half) >> shift,
                            (tmp13 - tmp0 + half) >> shift, (tmp12 - tmp1 + half) >> shift,
                            (tmp11 - tmp2 + half) >> shift, (tmp10 - tmp3 + half) >> shift};
        for (int r = 0; r < 8; ++r) {
            if (out[r] < -MaxFirstPass || out[r] > MaxFirstPass)
                return false;
            ws[8 * r + col] = out[r];
        }
    }
    return true;
}

// Second pass: one row of first-pass values into 8 samples. False as above.
bool secondPass(const int* w, uchar* out) {
    int z1 = (w[2] + w[6]) * F0_541196100;
    const int tmp2e = z1 - w[6] * F1_847759065;
    const int tmp3e = z1 + w[2] * F0_765366865;
    const int tmp0e = (w[0] + w[4]) * (1 << ConstBits);
    const int tmp1e = (w[0] - w[4]) * (1 << ConstBits);
    const int tmp10 = tmp0e + tmp3e, tmp13 = tmp0e - tmp3e;
    const int tmp11 = tmp1e + tmp2e, tmp12 = tmp1e - tmp2e;

    int tmp0 = w[7], tmp1 = w[5], tmp2 = w[3], tmp3 = w[1];
    z1 = tmp0 + tmp3;
    int z2 = tmp1 + tmp2, z3 = tmp0 + tmp2, z4 = tmp1 + tmp3;
    const int z5 = (z3 + z4) * F1_175875602;
    tmp0 *= F0_298631336;
    tmp1 *= F2_053119869;
    tmp2 *= F3_072711026;
    tmp3 *= F1_501321110;
    z1 *= -F0_899976223;
    z2 *= -F2_562915447;
    z3 = z3 * -F1_961570560 + z5;
    z4 = z4 * -F0_390180644 + z5;
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;

    constexpr int shift = ConstBits + Pass1Bits + 3;
    constexpr int half = 1 << (shift - 1);
    const int v[8] = {(tmp10 + tmp3 + half) >> shift, (tmp11 + tmp2 + half) >> shift,
                      (tmp12 + tmp1 + half) >> shift, (tmp13 + tmp0 + half) >> shift,
                      (tmp13 - tmp0 + half) >> shift, (tmp12 - tmp1 + half) >> shift,
                      (tmp11 - tmp2 + half) >> shift, (tmp10 - tmp3 + half) >> shift};
    for (int k = 0; k < 8; ++k) {
        if (v[k] < -MaxResult || v[k] > MaxResult)
            return false;
        const int s = v[k] + 128;
        out[k] = uchar(s < 0 ? 0 : s > 255 ? 255 : s);
    }
    return true;
}

// The samples of one component at the rows and columns asked for, in a small table.
struct Plane {
    int width = 0, height = 0; // in samples (the component's own, downsampled size)
    std::vector<int> rowAt, colAt; // sample row/column -> index in the table, -1 if not made
    int cols = 0;
    std::vector<uchar> samples;
    uchar at(int r, int c) const { return samples[size_t(rowAt[size_t(r)]) * size_t(cols) +
                                                  size_t(colAt[size_t(c)])]; }
};

bool makePlane(const Partial* p, int ci, const std::vector<char>& needRow,
               const std::vector<char>& needCol, Plane* plane) {
    const jpeg_decompress_struct& c = p->cinfo;
    const jpeg_component_info& comp = c.comp_info[ci];
    plane->width = int(comp.downsampled_width);
    plane->height = int(comp.downsampled_height);
    plane->rowAt.assign(size_t(plane->height), -1);
    plane->colAt.assign(size_t(plane->width), -1);
    int rows = 0;
    for (int r = 0; r < plane->height; ++r)
        if (needRow[size_t(r)])
            plane->rowAt[size_t(r)] = rows++;
    for (int x = 0; x < plane->width; ++x)
        if (needCol[size_t(x)])
            plane->colAt[size_t(x)] = plane->cols++;
    plane->samples.assign(size_t(rows) * size_t(plane->cols), 0);

    int q[DCTSIZE2];
    for (int k = 0; k < DCTSIZE2; ++k) // the library's multiplier table holds them as short
        q[k] = short(p->quant[size_t(ci)]->quantval[k]);
    // The block columns that hold a needed column.
    std::vector<int> blockCols;
    for (int x = 0; x < plane->width; ++x)
        if (needCol[size_t(x)] && (blockCols.empty() || blockCols.back() != x / 8))
            blockCols.push_back(x / 8);

    int ws[DCTSIZE2];
    uchar row[8];
    for (int br = 0; br * 8 < plane->height; ++br) {
        const int r0 = br * 8, r1 = std::min(r0 + 8, plane->height);
        bool any = false;
        for (int r = r0; r < r1 && !any; ++r)
            any = needRow[size_t(r)];
        if (!any)
            continue;
        const JBLOCKROW blocks = p->blockRows[size_t(ci)][size_t(br)];
        for (const int bc : blockCols) {
            if (!firstPass(blocks[bc], q, ws))
                return false;
            const int x0 = bc * 8, x1 = std::min(x0 + 8, plane->width);
            for (int r = r0; r < r1; ++r) {
                if (!needRow[size_t(r)])
                    continue;
                if (!secondPass(ws + 8 * (r - r0), row))
                    return false;
                uchar* dst = plane->samples.data() +
                             size_t(plane->rowAt[size_t(r)]) * size_t(plane->cols);
                for (int x = x0; x < x1; ++x)
                    if (plane->colAt[size_t(x)] >= 0)
                        dst[plane->colAt[size_t(x)]] = row[x - x0];
            }
        }
    }
    return true;
}

// How one component's value at a picture column (or row) is made: from sample n0 alone, or
// 3/4 of n0 and 1/4 of n1 with the rounding of the side it lies on.
struct Tap {
    int n0, n1;
    bool later; // the second of the two pixels made from sample n0
};

std::vector<Tap> taps(const std::vector<int>& positions, int ratio, int samples) {
    std::vector<Tap> t;
    t.reserve(positions.size());
    for (const int x : positions) {
        if (ratio == 1) {
            t.push_back({x, x, false});
            continue;
        }
        const int n = x / 2;
        const bool later = x % 2 != 0;
        const int other = later ? std::min(n + 1, samples - 1) : std::max(n - 1, 0);
        t.push_back({n, other, later});
    }
    return t;
}

struct ColourTables {
    std::array<int, 256> crR, cbB, crG, cbG;
    ColourTables() {
        constexpr int scale = 16;
        auto fix = [](double v) { return int(v * (1 << scale) + 0.5); };
        for (int i = 0; i < 256; ++i) {
            const int x = i - 128;
            crR[size_t(i)] = (fix(1.40200) * x + (1 << (scale - 1))) >> scale;
            cbB[size_t(i)] = (fix(1.77200) * x + (1 << (scale - 1))) >> scale;
            crG[size_t(i)] = -fix(0.71414) * x;
            cbG[size_t(i)] = -fix(0.34414) * x + (1 << (scale - 1));
        }
    }
};

inline uchar clampByte(int v) {
    return uchar(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The pixels the resize reads, and the samples of each component they are made from.
struct Layout {
    std::vector<int> ys, xs;
    std::array<std::vector<Tap>, 3> rowTaps, colTaps;
    std::array<std::vector<char>, 3> needRow, needCol;
    Needs needs;
};

Layout layout(const jpeg_decompress_struct& c, int width, int height) {
    Layout l;
    const int w = int(c.image_width), h = int(c.image_height);
    const std::vector<bool> rowsRead = bilinearRowsRead(h, height);
    const std::vector<bool> colsRead = bilinearRowsRead(w, width);
    for (int y = 0; y < h; ++y)
        if (rowsRead[size_t(y)])
            l.ys.push_back(y);
    for (int x = 0; x < w; ++x)
        if (colsRead[size_t(x)])
            l.xs.push_back(x);
    for (int ci = 0; ci < c.num_components; ++ci) {
        const size_t i = size_t(ci);
        const jpeg_component_info& comp = c.comp_info[ci];
        const int rh = c.max_h_samp_factor / comp.h_samp_factor;
        const int rv = c.max_v_samp_factor / comp.v_samp_factor;
        const int dw = int(comp.downsampled_width), dh = int(comp.downsampled_height);
        l.rowTaps[i] = taps(l.ys, rv, dh);
        l.colTaps[i] = taps(l.xs, rh, dw);
        l.needRow[i].assign(size_t(dh), 0);
        l.needCol[i].assign(size_t(dw), 0);
        l.needs.blockRow[i].assign(comp.height_in_blocks, 0);
        l.needs.blockCol[i].assign(comp.width_in_blocks, 0);
        for (const Tap& t : l.rowTaps[i]) {
            l.needRow[i][size_t(t.n0)] = l.needRow[i][size_t(t.n1)] = 1;
            l.needs.blockRow[i][size_t(t.n0 / 8)] = l.needs.blockRow[i][size_t(t.n1 / 8)] = 1;
        }
        for (const Tap& t : l.colTaps[i]) {
            l.needCol[i][size_t(t.n0)] = l.needCol[i][size_t(t.n1)] = 1;
            l.needs.blockCol[i][size_t(t.n0 / 8)] = l.needs.blockCol[i][size_t(t.n1 / 8)] = 1;
        }
    }
    return l;
}

// The picture at its full size with only the pixels the resize reads made; the others are
// left as they are, for the resize never looks at them.
QImage sparsePicture(const Partial* p, const Layout& l) {
    const jpeg_decompress_struct& c = p->cinfo;
    const int w = int(c.image_width), h = int(c.image_height);
    const std::vector<int>& ys = l.ys;
    const std::vector<int>& xs = l.xs;
    const std::array<std::vector<Tap>, 3>& rowTaps = l.rowTaps;
    const std::array<std::vector<Tap>, 3>& colTaps = l.colTaps;
    const int n = c.num_components;
    std::array<Plane, 3> planes;
    for (int ci = 0; ci < n; ++ci)
        if (!makePlane(p, ci, l.needRow[size_t(ci)], l.needCol[size_t(ci)], &planes[size_t(ci)]))
            return QImage();

    QImage img(w, h, QImage::Format_RGB888);
    if (img.isNull())
        return QImage();
    static const ColourTables tables;
    std::vector<uchar> value(size_t(n) * xs.size());
    for (size_t iy = 0; iy < ys.size(); ++iy) {
        // Each component's value at the needed columns of this row.
        for (int ci = 0; ci < n; ++ci) {
            const Plane& pl = planes[size_t(ci)];
            const Tap& ry = rowTaps[size_t(ci)][iy];
            const std::vector<Tap>& cx = colTaps[size_t(ci)];
            const int rh = c.max_h_samp_factor / c.comp_info[ci].h_samp_factor;
            const int rv = c.max_v_samp_factor / c.comp_info[ci].v_samp_factor;
            uchar* out = value.data() + size_t(ci) * xs.size();
            for (size_t ix = 0; ix < xs.size(); ++ix) {
                const Tap& t = cx[ix];
                if (rv == 1) {
                    if (rh == 1) {
                        out[ix] = pl.at(ry.n0, t.n0);
                    } else {
                        const int near = 3 * pl.at(ry.n0, t.n0), far = pl.at(ry.n0, t.n1);
                        out[ix] = uchar((near + far + (t.later ? 2 : 1)) >> 2);
                    }
                } else {
                    // Column sums of 3/4 the nearer row and 1/4 the further, then across.
                    const int near = 3 * pl.at(ry.n0, t.n0) + pl.at(ry.n1, t.n0);
                    const int far = 3 * pl.at(ry.n0, t.n1) + pl.at(ry.n1, t.n1);
                    out[ix] = uchar((3 * near + far + (t.later ? 7 : 8)) >> 4);
                }
            }
        }
        uchar* line = img.scanLine(ys[iy]);
        for (size_t ix = 0; ix < xs.size(); ++ix) {
            uchar* px = line + 3 * xs[ix];
            const int y = value[ix];
            if (n == 1) {
                px[0] = px[1] = px[2] = uchar(y);
                continue;
            }
            const int cb = value[xs.size() + ix], cr = value[2 * xs.size() + ix];
            px[0] = clampByte(y + tables.crR[size_t(cr)]);
            px[1] = clampByte(y + ((tables.cbG[size_t(cb)] + tables.crG[size_t(cr)]) >> 16));
            px[2] = clampByte(y + tables.cbB[size_t(cb)]);
        }
    }
    return img;
}

} // namespace

QImage decodeResizedFromCoefficients(const QByteArray& bytes, int width, int height,
                                     qint64 maxPixels) {
    if (width < 1 || height < 1)
        return QImage();
    auto p = std::make_unique<Partial>();
    QImage sparse;
    if (readHeader(p.get(), &bytes, maxPixels)) {
        const Layout l = layout(p->cinfo, width, height);
        // One scan: read here; several (progressive files), or arithmetic coding: through
        // the library. The library is not called once the coefficients are read.
        const bool own = p->singleScan && !p->cinfo.arith_code;
        if (own ? readScan(p.get(), l.needs) : readCoefficients(p.get()))
            sparse = sparsePicture(p.get(), l);
    }
    if (p->created)
        jpeg_destroy_decompress(&p->cinfo);
    if (sparse.isNull())
        return QImage();
    return BitmapResize_Bilinear(sparse, width, height);
}

QImage decodeResized(const QByteArray& bytes, QString* error, int width, int height,
                     qint64 maxPixels) {
    QImage small = decodeResizedFromCoefficients(bytes, width, height, maxPixels);
    if (!small.isNull())
        return small;
    const QImage full = decodeRows(bytes, error, [height](int h) {
        return bilinearRowsRead(h, height);
    }, maxPixels);
    if (full.isNull())
        return QImage();
    return BitmapResize_Bilinear(full, width, height);
}

} // namespace jpegio
