// Thumbnail catalogues of the Logo program's picture folders.
#include "mwex/catalogue.h"
#include "app/MAIN.h"
#include "app/core/errors.h"
#include "app/core/textstore.h"
#include "mwex/core/bmpio.h"
#include "mwex/core/jpegio.h"
#include "mwex/core/jpegthumb.h"
#include "mwex/core/pictureio.h"
#include "mwex/core/resize.h"
#include "platform/aside.h"
#include "platform/core/fs.h"
#include "platform/core/savefile.h"
#include "platform/core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

namespace catalogue {

const std::array<QString, 5> Folders = {
    QStringLiteral("\\Graphics\\Button"), QStringLiteral("\\Graphics\\Illustrations"),
    QStringLiteral("\\Graphics\\Landscape1"), QStringLiteral("\\Graphics\\Landscape2"),
    QStringLiteral("\\Graphics\\Shape")};

namespace {
constexpr int Left = 16, Top = 12;
constexpr int CaptionGap = 6, CaptionHeight = 10;
// An index text is one line of names; anything far larger is not one we wrote.
constexpr qint64 MaxIndexBytes = 4 * 1024 * 1024;
} // namespace

QStringList pictureList(const QString& folder) {
    QDir dir(platform::toHost(folder));
    if (platform::toHost(folder).isEmpty())
        return {};
    // Without QDir::Hidden and QDir::System: ordinary files only. Name filters match
    // regardless of case.
    QStringList names =
        dir.entryList({QStringLiteral("*.jpeg"), QStringLiteral("*.jpg"), QStringLiteral("*.bmp")},
                      QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    // Ordinary files only, links followed: a name that leads to a device, a FIFO or a socket
    // is no picture (the filter above leaves most of them out already).
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&dir](const QString& n) {
                                   return !QFileInfo(dir.filePath(n)).isFile();
                               }),
                names.end());
    return names;
}

QString indexText(const QStringList& names) {
    return names.join(u' ');
}

int sheetHeight(int count) {
    return (count - 1) / PerRow * Pitch + 140;
}

QRect pictureBox(int i) {
    const int k = i % PerRow, j = i / PerRow;
    return QRect(QPoint(Left + Pitch * k, Top + Pitch * j), QSize(ThumbWidth, ThumbHeight));
}

QRect captionBox(int i) {
    const QRect p = pictureBox(i);
    return QRect(QPoint(p.left(), p.bottom() + 1 + CaptionGap), QSize(ThumbWidth, CaptionHeight));
}

bool indexMatches(const QString& indexPath, const QStringList& names) {
    const QFileInfo info(platform::toHost(indexPath));
    if (!info.isFile() || info.size() > MaxIndexBytes)
        return false;
    const auto bytes = platform::readWholeFile(indexPath, nullptr);
    if (!bytes)
        return false;
    const QString expected = indexText(names);
    TextStore::Encoding found = TextStore::Encoding::Unset;
    if (TextStore::decode(*bytes, &found) == expected)
        return true;
    // A name the file's encoding cannot hold was written as a substitute; the same names
    // written the same way give the same bytes.
    return TextStore::encode(expected, found) == *bytes;
}

QImage thumbnail(const QString& path, QString* error) {
    const QString ext = platform::extractFileExt(path).toLower();
    QImage full;
    if (ext == QLatin1String(".jpeg") || ext == QLatin1String(".jpg")) {
        // Only the pixels the resize reads are made (a few thousand of a photograph's
        // two million); the result is the same bytes as from the whole picture.
        const auto bytes = pictureio::readPictureFile(path, error);
        if (!bytes)
            return QImage();
        return jpegio::decodeResized(*bytes, error, ThumbWidth, ThumbHeight);
    } else if (ext == QLatin1String(".bmp"))
        full = bmpio::readFile(path, error);
    else if (error)
        *error = QStringLiteral("画像の種類が分かりません。");
    if (full.isNull())
        return QImage();
    return BitmapResize_Bilinear(full, ThumbWidth, ThumbHeight);
}

void drawCell(QImage& sheet, int i, const QImage& thumb, const QString& name) {
    const QRect box = pictureBox(i);
    if (!thumb.isNull() && sheet.format() == QImage::Format_RGB888 &&
        thumb.format() == QImage::Format_RGB888 && box.bottom() < sheet.height()) {
        // Straight copy: the thumbnail's bytes land in the sheet unchanged.
        for (int y = 0; y < ThumbHeight; ++y)
            std::memcpy(sheet.scanLine(box.top() + y) + 3 * box.left(), thumb.constScanLine(y),
                        3 * ThumbWidth);
    }
    const QRect caption = captionBox(i);
    QPainter painter(&sheet);
    painter.setClipRect(caption);
    painter.fillRect(caption, Qt::white);
    QFont font = QGuiApplication::font();
    font.setPointSize(6);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(caption, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     platform::stripFileExt(name));
}

Sheet build(const QString& folder, const QStringList& names, int threads) {
    Sheet s;
    s.names = names;
    s.index = indexText(names);
    s.image = QImage(SheetWidth, sheetHeight(int(names.size())), QImage::Format_RGB888);
    s.image.fill(Qt::white);
    const QString base = folder.endsWith(u'\\') ? folder : folder + u'\\';
    const int n = int(names.size());
    std::vector<QImage> thumbs(static_cast<size_t>(n));
    std::vector<QString> errors(static_cast<size_t>(n));
    // Pictures are decoded on every core, each by one thread; the sheet is then drawn here,
    // in list order, so it is the same whatever thread finished first.
    std::atomic<int> next{0};
    // A picture that cannot be made smaller or held in memory becomes a blank cell. Nothing
    // may leave a thread: any other error is kept and raised again by the calling thread.
    std::mutex unexpectedLock;
    std::exception_ptr unexpected;
    auto work = [&] {
        for (int i; (i = next.fetch_add(1)) < n;) {
            try {
                thumbs[size_t(i)] = thumbnail(base + names[i], &errors[size_t(i)]);
            } catch (const QumoError& e) {
                thumbs[size_t(i)] = QImage();
                errors[size_t(i)] = e.message();
            } catch (const std::bad_alloc&) {
                thumbs[size_t(i)] = QImage();
                errors[size_t(i)] = QStringLiteral("画像を作るメモリが足りません。");
            } catch (...) {
                const std::lock_guard<std::mutex> hold(unexpectedLock);
                if (!unexpected)
                    unexpected = std::current_exception();
            }
        }
    };
    std::vector<std::thread> helpers;
    const int wanted = std::min(threads > 0 ? threads : QThread::idealThreadCount(), n) - 1;
    for (int k = 0; k < wanted; ++k) {
        try {
            helpers.emplace_back(work);
        } catch (const std::exception&) {
            break; // fewer threads: the calling one does the rest
        }
    }
    work();
    for (std::thread& t : helpers)
        t.join();
    if (unexpected)
        std::rethrow_exception(unexpected);
    for (int i = 0; i < n; ++i) {
        if (thumbs[size_t(i)].isNull())
            s.failed.append(names[i] + QStringLiteral(": ") + errors[size_t(i)]);
        drawCell(s.image, i, thumbs[size_t(i)], names[i]);
    }
    return s;
}

} // namespace catalogue

void TForm1::MWSHAPE(const QString& MW) {
    // A read-only medium can hold no new catalogue; nothing is visited there.
    if (v_.DVD)
        return;
    for (const QString& F : catalogue::Folders) {
        const QString folder = MW + F;
        if (!platform::directoryExists(folder))
            continue;
        // Pointing the picture list at the folder makes it the current folder.
        platform::setCurrentFolder(folder);
        const QString index = folder + QStringLiteral("\\index.txt");
        const QString thumb = folder + QStringLiteral("\\thumb.bmp");
        // A complete catalogue is kept as long as it names the pictures the folder holds;
        // one that a picture was added to or taken from is built again.
        if (platform::fileExists(index) && platform::fileExists(thumb)) {
            // The sheet itself matches "*.bmp" but is gone when a catalogue is built.
            QStringList names = catalogue::pictureList(folder);
            names.removeAll(QStringLiteral("thumb.bmp"));
            if (catalogue::indexMatches(index, names))
                continue;
        }
        platform::deleteFile(index);
        platform::deleteFile(thumb);
        QCoreApplication::processEvents();
        // Start-up goes on when one folder's catalogue cannot be made (a file that cannot be
        // written, not enough memory); any other error ends the step.
        try {
            MakeShape();
        } catch (const QumoError&) {
        } catch (const std::bad_alloc&) {
        }
    }
}

void TForm1::MakeShape() {
    const QString folder = platform::currentFolder();
    const QString index = folder + QStringLiteral("\\index.txt");
    const QString thumb = folder + QStringLiteral("\\thumb.bmp");
    // The pictures are read, made small and drawn, and the two files written, on a thread
    // of their own: the window stays alive meanwhile, and start-up goes on when the
    // catalogue is on the disk, as it would had it been made here.
    catalogue::Sheet sheet;
    platform::runAside([&] {
        sheet = catalogue::build(folder, catalogue::pictureList(folder));
    });
    Memo1->setPlainText(sheet.index);
    const QByteArray indexBytes = TextStore::encode(sheet.index, store_.encoding());
    platform::runAside([&] {
        platform::deleteFile(index);
        platform::deleteFile(thumb);
        // Failures to write are left for the next start, which finds the catalogue
        // incomplete; neither writer leaves a partial file that could pass for a complete one.
        platform::saveWholeFile(index, indexBytes, nullptr);
        bmpio::writeFile(sheet.image, thumb, nullptr);
    });
}
