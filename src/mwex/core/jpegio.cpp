// JPEG decoding and encoding through libjpeg-turbo; an error never ends the process.
#include "mwex/core/jpegio.h"
#include "mwex/core/pictureio.h"
#include "platform/core/fs.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h: the message codes.
#include <jerror.h>

// libjpeg reports fatal errors by calling error_exit, whose default ends the process. Here
// it jumps back to the setjmp in the function that drives the library. Everything that
// function changes after setjmp lives in a heap object reached through a pointer set before
// it (never in a local that a longjmp could leave stale), and no C++ frame with destructors
// lies between the library and the setjmp.

namespace jpegio {
namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are kept quiet; a file whose picture data stops early (the file ends, or a marker
// comes where pixels should) counts as damaged: the library would fill the rest with grey
// and call it a success. Smaller blemishes (stray bytes between markers) are tolerated.
void emitMessage(j_common_ptr cinfo, int level) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (level < 0) {
        ++err->pub.num_warnings;
        if (err->pub.msg_code == JWRN_JPEG_EOF || err->pub.msg_code == JWRN_HIT_MARKER)
            err->truncated = true;
    }
}

void outputMessage(j_common_ptr) {}

void progress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > MaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many scans");
        std::longjmp(err->jump, 1);
    }
}

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.pub.output_message = outputMessage;
    err.message[0] = 0;
    err.truncated = false;
}

struct Decoder {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr progressMgr;
    bool created = false;
    QImage image;
    QString failure;
    std::unique_ptr<uchar[]> cmykRow;
    // Rows to make (empty: all), filled in before the first row is read.
    const std::function<std::vector<bool>(int)>* rowsWanted = nullptr;
    std::vector<bool> wanted;
};

// CMYK and YCCK come out as CMYK; files with the Adobe marker store it inverted.
void cmykToRgb(const uchar* in, uchar* out, int width, bool inverted) {
    for (int x = 0; x < width; ++x, in += 4, out += 3) {
        int c = in[0], m = in[1], y = in[2], k = in[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[0] = static_cast<uchar>((c * k + 127) / 255);
        out[1] = static_cast<uchar>((m * k + 127) / 255);
        out[2] = static_cast<uchar>((y * k + 127) / 255);
    }
}

// Runs the library; false with d->failure set on any error. Only d is touched after setjmp.
bool runDecoder(Decoder* d, const QByteArray* bytes, qint64 maxPixels) {
    initErrors(d->err);
    d->cinfo.err = &d->err.pub;
    if (setjmp(d->err.jump)) {
        d->failure = QString::fromLatin1(d->err.message);
        d->image = QImage();
        return false;
    }
    jpeg_create_decompress(&d->cinfo);
    d->created = true;
    d->progressMgr.progress_monitor = progress;
    d->cinfo.progress = &d->progressMgr;
    jpeg_mem_src(&d->cinfo, reinterpret_cast<const unsigned char*>(bytes->constData()),
                 static_cast<unsigned long>(bytes->size()));
    jpeg_read_header(&d->cinfo, TRUE);

    const qint64 pixels = qint64(d->cinfo.image_width) * qint64(d->cinfo.image_height);
    if (pixels > maxPixels) {
        d->failure = QStringLiteral("%1 x %2 pixels is too large")
                         .arg(d->cinfo.image_width)
                         .arg(d->cinfo.image_height);
        return false;
    }
    const bool cmyk =
        d->cinfo.jpeg_color_space == JCS_CMYK || d->cinfo.jpeg_color_space == JCS_YCCK;
    d->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&d->cinfo);

    const int w = static_cast<int>(d->cinfo.output_width);
    const int h = static_cast<int>(d->cinfo.output_height);
    d->image = QImage(w, h, QImage::Format_RGB888);
    if (d->image.isNull()) {
        d->failure = QStringLiteral("not enough memory for the picture");
        return false;
    }
    if (cmyk)
        d->cmykRow.reset(new uchar[size_t(w) * 4]);
    if (d->rowsWanted) {
        d->wanted = (*d->rowsWanted)(h);
        d->wanted.resize(size_t(h), false);
        // Skipping to the very end would stop reading the file there, so a cut-short file
        // would pass: the last row is always made, which reads every coefficient before it.
        if (h > 0)
            d->wanted[size_t(h) - 1] = true;
    }
    while (d->cinfo.output_scanline < d->cinfo.output_height) {
        const int y = static_cast<int>(d->cinfo.output_scanline);
        if (!d->wanted.empty() && !d->wanted[size_t(y)]) {
            int next = y + 1;
            while (!d->wanted[size_t(next)]) // the last row is wanted
                ++next;
            if (jpeg_skip_scanlines(&d->cinfo, JDIMENSION(next - y)) == 0)
                break;
            continue;
        }
        JSAMPROW row = cmyk ? d->cmykRow.get() : d->image.scanLine(y);
        if (jpeg_read_scanlines(&d->cinfo, &row, 1) != 1)
            break;
        if (cmyk)
            cmykToRgb(d->cmykRow.get(), d->image.scanLine(y), w, d->cinfo.saw_Adobe_marker);
    }
    if (d->err.truncated) {
        d->failure = QStringLiteral("the picture data stops early");
        return false;
    }
    // The rest of the file (markers after the picture) does not matter.
    jpeg_abort_decompress(&d->cinfo);
    return true;
}

// Compressed bytes go straight into a QByteArray that doubles when full.
struct Destination {
    jpeg_destination_mgr pub;
    QByteArray* out;
};

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->out->resize(64 * 1024);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data());
    dest->pub.free_in_buffer = size_t(dest->out->size());
}

boolean emptyDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    const qsizetype used = dest->out->size();
    dest->out->resize(used * 2);
    dest->pub.next_output_byte = reinterpret_cast<JOCTET*>(dest->out->data()) + used;
    dest->pub.free_in_buffer = size_t(dest->out->size() - used);
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - qsizetype(dest->pub.free_in_buffer));
}

struct Encoder {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    Destination dest;
    bool created = false;
    QByteArray out;
    QString failure;
};

bool runEncoder(Encoder* e, const QImage* rgb) {
    initErrors(e->err);
    e->cinfo.err = &e->err.pub;
    if (setjmp(e->err.jump)) {
        e->failure = QString::fromLatin1(e->err.message);
        return false;
    }
    jpeg_create_compress(&e->cinfo);
    e->created = true;
    e->dest.out = &e->out;
    e->dest.pub.init_destination = initDestination;
    e->dest.pub.empty_output_buffer = emptyDestination;
    e->dest.pub.term_destination = termDestination;
    e->cinfo.dest = &e->dest.pub;
    e->cinfo.image_width = static_cast<JDIMENSION>(rgb->width());
    e->cinfo.image_height = static_cast<JDIMENSION>(rgb->height());
    e->cinfo.input_components = 3;
    e->cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e->cinfo);
    jpeg_set_quality(&e->cinfo, 100, TRUE);
    jpeg_start_compress(&e->cinfo, TRUE);
    while (e->cinfo.next_scanline < e->cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb->constScanLine(int(e->cinfo.next_scanline)));
        jpeg_write_scanlines(&e->cinfo, &row, 1);
    }
    jpeg_finish_compress(&e->cinfo);
    return true;
}

} // namespace

QImage decode(const QByteArray& bytes, QString* error, qint64 maxPixels) {
    return decodeRows(bytes, error, nullptr, maxPixels);
}

QImage decodeRows(const QByteArray& bytes, QString* error,
                  const std::function<std::vector<bool>(int height)>& rowsWanted,
                  qint64 maxPixels) {
    auto d = std::make_unique<Decoder>();
    if (rowsWanted)
        d->rowsWanted = &rowsWanted;
    const bool ok = runDecoder(d.get(), &bytes, maxPixels);
    if (d->created)
        jpeg_destroy_decompress(&d->cinfo);
    if (!ok) {
        if (error)
            *error = QStringLiteral("JPEG を読めません (%1)。").arg(d->failure);
        return QImage();
    }
    return std::move(d->image);
}

QImage readFile(const QString& path, QString* error, qint64 maxPixels) {
    const auto bytes = pictureio::readPictureFile(path, error);
    if (!bytes)
        return QImage();
    return decode(*bytes, error, maxPixels);
}

QByteArray encode(const QImage& image, QString* error) {
    if (image.isNull()) {
        if (error)
            *error = QStringLiteral("画像がありません。");
        return QByteArray();
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    auto e = std::make_unique<Encoder>();
    const bool ok = runEncoder(e.get(), &rgb);
    if (e->created)
        jpeg_destroy_compress(&e->cinfo);
    if (!ok) {
        if (error)
            *error = QStringLiteral("JPEG を作れません (%1)。").arg(e->failure);
        return QByteArray();
    }
    return std::move(e->out);
}

bool writeFile(const QImage& image, const QString& path, QString* error) {
    const QByteArray bytes = encode(image, error);
    if (bytes.isEmpty())
        return false;
    return pictureio::writePictureFile(path, bytes, error);
}

} // namespace jpegio
