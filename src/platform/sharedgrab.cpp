// Screen pictures through the X server's shared-memory extension, into kept buffers.
#include "platform/sharedgrab.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <vector>

namespace platform {

namespace {

// Free buffers kept for the next grabs: the board's two layers, taken at each opening.
constexpr int kKeptFree = 2;

// One shared buffer and the X server's view of it.
struct Buffer {
    XShmSegmentInfo info{};
    XImage *image = nullptr;
    bool attached = false;
    QSize size;
    // Rows from the top whose pages both sides have touched (all of them once grabbed into).
    int readyRows = 0;
    // Set while a QImage refers to the pixels; cleared by the last of them, on any thread.
    std::atomic<bool> inUse{false};
};

bool xError = false;
int noteError(Display *, XErrorEvent *) {
    xError = true;
    return 0;
}

// Runs `request` with X errors caught instead of reported; false when one came.
template <typename F>
bool withoutErrors(Display *dpy, F request) {
    XSync(dpy, False);
    xError = false;
    const XErrorHandler previous = XSetErrorHandler(noteError);
    const bool ok = request();
    XSync(dpy, False);
    XSetErrorHandler(previous);
    return ok && !xError;
}

void destroy(Display *dpy, Buffer *b) {
    if (b->attached) {
        withoutErrors(dpy, [&] { return XShmDetach(dpy, &b->info) != 0; });
        b->attached = false;
    }
    if (b->info.shmaddr && b->info.shmaddr != reinterpret_cast<char *>(-1))
        shmdt(b->info.shmaddr);
    b->info.shmaddr = nullptr;
    if (b->image) {
        b->image->data = nullptr; // the segment, not the library's to free
        XDestroyImage(b->image);
        b->image = nullptr;
    }
}

// A buffer for pictures of `size` in the root window's own pixel format, or null when that
// format is not 32-bit RGB as QImage keeps it or the server cannot attach the segment.
std::unique_ptr<Buffer> create(Display *dpy, QSize size) {
    const int screen = DefaultScreen(dpy);
    Visual *visual = DefaultVisual(dpy, screen);
    const int depth = DefaultDepth(dpy, screen);
    if (depth != 24 || visual->red_mask != 0xff0000 || visual->green_mask != 0xff00 ||
        visual->blue_mask != 0xff)
        return nullptr;
    auto b = std::make_unique<Buffer>();
    b->size = size;
    b->image = XShmCreateImage(dpy, visual, unsigned(depth), ZPixmap, nullptr, &b->info,
                               unsigned(size.width()), unsigned(size.height()));
    const int nativeOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? LSBFirst : MSBFirst;
    if (!b->image || b->image->bits_per_pixel != 32 || b->image->byte_order != nativeOrder ||
        b->image->bytes_per_line < 4 * size.width()) {
        destroy(dpy, b.get());
        return nullptr;
    }
    const size_t bytes = size_t(b->image->bytes_per_line) * size_t(size.height());
    b->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (b->info.shmid < 0) {
        destroy(dpy, b.get());
        return nullptr;
    }
    b->info.shmaddr = static_cast<char *>(shmat(b->info.shmid, nullptr, 0));
    b->info.readOnly = False;
    if (b->info.shmaddr != reinterpret_cast<char *>(-1)) {
        b->image->data = b->info.shmaddr;
        b->attached = withoutErrors(dpy, [&] { return XShmAttach(dpy, &b->info) != 0; });
    }
    // Marked for removal at once: the memory goes when both sides have let go of it, even
    // if this program ends abruptly.
    shmctl(b->info.shmid, IPC_RMID, nullptr);
    if (!b->attached) {
        destroy(dpy, b.get());
        return nullptr;
    }
    return b;
}

void release(void *buffer) {
    static_cast<Buffer *>(buffer)->inUse.store(false, std::memory_order_release);
}

Display *qtDisplay() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

// Never freed: pictures may outlive everything else, and the segments go with the process.
std::vector<std::unique_ptr<Buffer>> &pool() {
    static auto *kept = new std::vector<std::unique_ptr<Buffer>>;
    return *kept;
}
bool unusable = false;

// The toolkit's own connection when it can share memory with the X server, else null.
Display *sharingDisplay() {
    if (unusable)
        return nullptr;
    // The toolkit's own connection: what it drew before is on the screen when we read it.
    Display *dpy = qtDisplay();
    if (dpy && !XShmQueryExtension(dpy)) {
        unusable = true;
        return nullptr;
    }
    return dpy;
}

// Rows [first, first + rows) of `b` touched on this side (the pages made), then on the X
// server's, by reading the same rows of the screen into them (the server's own picture of
// the screen may be untouched memory too).
bool touchRows(Display *dpy, Buffer *b, int first, int rows) {
    const int bpl = b->image->bytes_per_line;
    char *start = b->info.shmaddr + qsizetype(first) * bpl;
    const size_t bytes = size_t(rows) * size_t(bpl);
    // A write to every page from this process: besides the kernel's page, a machine that
    // runs under a hypervisor makes its own mapping of each page at the first touch.
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t end = reinterpret_cast<uintptr_t>(start) + bytes;
    for (uintptr_t p = reinterpret_cast<uintptr_t>(start) & ~(page - 1); p < end; p += page)
        *reinterpret_cast<volatile char *>(p) = 0;
    XImage *band = XShmCreateImage(dpy, DefaultVisual(dpy, DefaultScreen(dpy)),
                                   unsigned(b->image->depth), ZPixmap,
                                   start, &b->info, unsigned(b->size.width()), unsigned(rows));
    if (!band)
        return false;
    const bool got = withoutErrors(dpy, [&] {
        return XShmGetImage(dpy, DefaultRootWindow(dpy), band, 0, first, AllPlanes) != 0;
    });
    band->data = nullptr; // the segment's
    XDestroyImage(band);
    return got;
}

} // namespace

bool prepareSharedScreen(QSize size, qsizetype sliceBytes) {
    Display *dpy = sharingDisplay();
    if (!dpy || size.isEmpty())
        return false;
    const int screen = DefaultScreen(dpy);
    if (size.width() > DisplayWidth(dpy, screen) || size.height() > DisplayHeight(dpy, screen))
        return false;
    int ofSize = 0;
    Buffer *unready = nullptr;
    for (const auto &b : pool()) {
        if (b->size != size)
            continue;
        ++ofSize;
        if (!unready && b->readyRows < size.height() && !b->inUse.load(std::memory_order_acquire))
            unready = b.get();
    }
    if (!unready) {
        if (ofSize >= kKeptFree)
            return false;
        // Made in a part of its own: attaching it waits for the X server twice.
        std::unique_ptr<Buffer> made = create(dpy, size);
        if (!made) {
            unusable = pool().empty();
            return false;
        }
        pool().push_back(std::move(made));
        return true;
    }
    const int rows = int(qBound(qsizetype(1), sliceBytes / unready->image->bytes_per_line,
                                qsizetype(size.height() - unready->readyRows)));
    if (!touchRows(dpy, unready, unready->readyRows, rows))
        return false;
    unready->readyRows += rows;
    return unready->readyRows < size.height() || ofSize < kKeptFree;
}

QImage grabSharedScreen(const QRect &onDesktop) {
    if (onDesktop.isEmpty())
        return QImage();
    Display *dpy = sharingDisplay();
    if (!dpy)
        return QImage();
    std::vector<std::unique_ptr<Buffer>> *pool = &platform::pool();
    const int screen = DefaultScreen(dpy);
    if (!QRect(0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)).contains(onDesktop))
        return QImage();

    const QSize size = onDesktop.size();
    Buffer *chosen = nullptr;
    int keptFree = 0;
    for (auto it = pool->begin(); it != pool->end();) {
        Buffer *b = it->get();
        if (!b->inUse.load(std::memory_order_acquire)) {
            if (!chosen && b->size == size) {
                chosen = b;
            } else if (b->size != size || keptFree + 1 >= kKeptFree) {
                // Of another screen, or more than the next grabs will need.
                destroy(dpy, b);
                it = pool->erase(it);
                continue;
            } else {
                ++keptFree;
            }
        }
        ++it;
    }
    if (!chosen) {
        std::unique_ptr<Buffer> made = create(dpy, size);
        if (!made) {
            unusable = pool->empty();
            return QImage();
        }
        chosen = made.get();
        pool->push_back(std::move(made));
    }
    const bool got = withoutErrors(dpy, [&] {
        return XShmGetImage(dpy, RootWindow(dpy, screen), chosen->image, onDesktop.x(),
                            onDesktop.y(), AllPlanes) != 0;
    });
    if (!got)
        return QImage();
    chosen->readyRows = size.height();
    // The byte above the colour is undefined on the X side; a 32-bit RGB picture has it set.
    const int bpl = chosen->image->bytes_per_line;
    auto *bits = reinterpret_cast<uchar *>(chosen->image->data);
    for (int y = 0; y < size.height(); ++y) {
        quint32 *row = reinterpret_cast<quint32 *>(bits + qsizetype(y) * bpl);
        for (int x = 0; x < size.width(); ++x)
            row[x] |= 0xff000000u;
    }
    chosen->inUse.store(true, std::memory_order_relaxed);
    return QImage(bits, size.width(), size.height(), bpl, QImage::Format_RGB32, release, chosen);
}

} // namespace platform
