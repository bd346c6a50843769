// Screen pictures through the X server's shared-memory extension, into kept buffers.
#include "platform/sharedgrab.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

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

} // namespace

QImage grabSharedScreen(const QRect &onDesktop) {
    // Never freed: pictures may outlive everything else, and the segments go with the process.
    static auto *pool = new std::vector<std::unique_ptr<Buffer>>;
    static bool unusable = false;
    if (unusable || onDesktop.isEmpty())
        return QImage();
    // The toolkit's own connection: what it drew before is on the screen when we read it.
    Display *dpy = qtDisplay();
    if (!dpy)
        return QImage();
    if (!XShmQueryExtension(dpy)) {
        unusable = true;
        return QImage();
    }
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
