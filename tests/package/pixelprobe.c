/* Reads a rectangle of a window's pixels from the X server and tells how it is painted:
   "pixels=N colours=C saturated=S", S counting pixels whose channels differ by more than
   a grey would (an enabled, coloured picture has many; a greyed-out one has none). */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>

enum { kSaturation = 48, kMaxColours = 4096 };

int main(int argc, char **argv) {
    if (argc != 6) {
        fprintf(stderr, "usage: pixelprobe WINDOW X Y W H (X, Y from the window's right edge if negative)\n");
        return 2;
    }
    Display *d = XOpenDisplay(NULL);
    if (!d) {
        fprintf(stderr, "pixelprobe: no display\n");
        return 2;
    }
    const Window w = (Window)strtoul(argv[1], NULL, 0);
    int x = atoi(argv[2]), y = atoi(argv[3]);
    const int width = atoi(argv[4]), height = atoi(argv[5]);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a) || a.map_state != IsViewable) {
        printf("pixels=0 colours=0 saturated=0\n");
        return 1;
    }
    if (x < 0)
        x += a.width;
    if (y < 0)
        y += a.height;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > a.width || y + height > a.height) {
        fprintf(stderr, "pixelprobe: rectangle outside the %dx%d window\n", a.width, a.height);
        return 2;
    }
    XImage *img = XGetImage(d, w, x, y, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
    if (!img) {
        fprintf(stderr, "pixelprobe: cannot read the window\n");
        return 1;
    }
    static unsigned long seen[kMaxColours];
    int colours = 0, saturated = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            const unsigned long p = XGetPixel(img, i, j);
            const int r = (int)((p & img->red_mask) >> 16), g = (int)((p & img->green_mask) >> 8),
                      b = (int)(p & img->blue_mask);
            const int hi = r > g ? (r > b ? r : b) : (g > b ? g : b);
            const int lo = r < g ? (r < b ? r : b) : (g < b ? g : b);
            if (hi - lo > kSaturation)
                ++saturated;
            int k = 0;
            while (k < colours && seen[k] != p)
                ++k;
            if (k == colours && colours < kMaxColours)
                seen[colours++] = p;
        }
    printf("pixels=%d colours=%d saturated=%d\n", width * height, colours, saturated);
    XDestroyImage(img);
    XCloseDisplay(d);
    return 0;
}
