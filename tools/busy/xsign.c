/* Watches an X display for the wait sign as a person would see it, and prints when it appears
 * (seconds since the epoch, CLOCK_REALTIME), one line per event:
 *
 *   cursor <time> <name>   the pointer's cursor changed to the named one
 *   note <time>            the rectangle first shows the note's pale yellow background
 *   gone <time>            the note is no longer there
 *
 *   xsign <x> <y> <w> <h> <seconds>     rectangle in root-window coordinates
 *
 * Polls every millisecond for the given time. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

/* The note's background, rgb(255, 255, 225), on at least a tenth of the rectangle. */
static int note_shown(Display *d, Window root, int x, int y, int w, int h)
{
    XImage *image = XGetImage(d, root, x, y, (unsigned)w, (unsigned)h, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    long hits = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            const unsigned long p = XGetPixel(image, col, row);
            if (((p >> 16) & 0xff) == 255 && ((p >> 8) & 0xff) == 255 && (p & 0xff) == 225)
                ++hits;
        }
    }
    XDestroyImage(image);
    return hits * 10 >= (long)w * h;
}

int main(int argc, char **argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: xsign x y w h seconds\n");
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]), w = atoi(argv[3]), h = atoi(argv[4]);
    const double end = now() + atof(argv[5]);
    Display *d = XOpenDisplay(NULL);
    if (!d)
        return 1;
    int event_base, error_base;
    if (!XFixesQueryExtension(d, &event_base, &error_base))
        return 1;
    const Window root = DefaultRootWindow(d);
    char cursor[64] = "";
    int shown = 0;
    while (now() < end) {
        XFixesCursorImage *c = XFixesGetCursorImage(d);
        if (c) {
            const char *name = c->name ? c->name : "";
            /* An animated cursor changes its image, not its name; unnamed frames belong to it. */
            if (*name && strcmp(name, cursor) != 0) {
                snprintf(cursor, sizeof cursor, "%s", name);
                printf("cursor %.4f %s\n", now(), cursor);
            }
            XFree(c);
        }
        const int note = note_shown(d, root, x, y, w, h);
        if (note != shown) {
            shown = note;
            printf("%s %.4f\n", note ? "note" : "gone", now());
        }
        fflush(stdout);
        usleep(1000);
    }
    XCloseDisplay(d);
    return 0;
}
