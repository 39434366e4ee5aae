/* Waits on an X display for what a person would see, and prints the moment it happened
 * (seconds since the epoch, CLOCK_REALTIME) on standard output.
 *
 *   xwait map <title-part>                 a viewable window whose title contains the text
 *   xwait ink <window-id> <x> <y> <w> <h>  the rectangle (window coordinates) shows dark text on
 *                                          a light page: at least 300 dark pixels and at least
 *                                          half of it light
 *
 * Polls every 2 ms for up to 20 s; exits 1 on time-out. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static int ignore_errors(Display *d, XErrorEvent *e)
{
    (void)d;
    (void)e;
    return 0;
}

static int title_contains(Display *d, Window w, Atom utf8, Atom net_name, const char *part)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    int found = 0;
    if (XGetWindowProperty(d, w, net_name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
        data) {
        found = strstr((const char *)data, part) != NULL;
        XFree(data);
    }
    return found;
}

/* Top-level windows only: on a bare X server they are the root's children. Looking no deeper
 * keeps each poll to a few requests, so the waiting does not slow the program it watches. */
static Window find_mapped(Display *d, Atom utf8, Atom net_name, const char *part)
{
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    Window hit = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !hit; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
                title_contains(d, children[i], utf8, net_name, part))
                hit = children[i];
        }
        if (children)
            XFree(children);
    }
    return hit;
}

static int text_on_page(Display *d, Window w, int x, int y, int width, int height)
{
    XImage *img = XGetImage(d, w, x, y, (unsigned)width, (unsigned)height, AllPlanes, ZPixmap);
    if (!img)
        return 0;
    long dark = 0, light = 0;
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            unsigned long p = XGetPixel(img, i, j);
            unsigned sum = ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
            if (sum < 240)
                ++dark;
            else if (sum > 660)
                ++light;
        }
    XDestroyImage(img);
    return dark >= 300 && light * 2 >= (long)width * height;
}

int main(int argc, char **argv)
{
    Display *d = XOpenDisplay(NULL);
    if (!d || argc < 3)
        return 2;
    XSetErrorHandler(ignore_errors);
    Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
    const double deadline = now() + 20.0;
    const struct timespec pause = {0, 2000000};
    while (now() < deadline) {
        if (strcmp(argv[1], "map") == 0) {
            Window w = find_mapped(d, utf8, net_name, argv[2]);
            if (w) {
                printf("%.6f %lu\n", now(), (unsigned long)w);
                return 0;
            }
        } else if (strcmp(argv[1], "ink") == 0 && argc == 7) {
            Window w = (Window)strtoul(argv[2], NULL, 0);
            if (text_on_page(d, w, atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]))) {
                printf("%.6f\n", now());
                return 0;
            }
        } else {
            return 2;
        }
        nanosleep(&pause, NULL);
    }
    return 1;
}
