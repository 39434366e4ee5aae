/* Waits on an X display for what a person would see, and prints the moment it happened
 * (seconds since the epoch, CLOCK_REALTIME) on standard output.
 *
 *   xwait map <title-part>                 a viewable window whose title contains the text
 *   xwait ink <window-id> <x> <y> <w> <h>  the rectangle (window coordinates) shows dark text on
 *                                          a light page: at least 300 dark pixels and at least
 *                                          half of it light
 *   xwait fade <title-part> [click-after]  follows a fading window from its mapping to its
 *                                          unmapping: one line per event, "map <t>",
 *                                          "step <t> <alpha 0..255>", "click <t>", "unmap <t>".
 *                                          With click-after (seconds after the mapping) it clicks
 *                                          the window's centre then.
 *   xwait ping <title-part> <seconds>      asks a window's program "are you there?"
 *                                          (_NET_WM_PING) every 10 ms for that long and prints
 *                                          the slowest answer and the median, in ms: how long
 *                                          the program's event loop keeps a person waiting.
 *
 * Polls every 2 ms for up to 20 s; exits 1 on time-out. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
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

static double opacity_of(Display *d, Window w, Atom opacity)
{
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    double alpha = 255.0;
    if (XGetWindowProperty(d, w, opacity, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data) {
        if (count == 1 && format == 32)
            alpha = (double)(*(unsigned long *)data & 0xffffffffUL) * 255.0 / 4294967295.0;
        XFree(data);
    }
    return alpha;
}

/* Events rather than polling: every change of the window's opacity is seen, with the moment the
 * server reported it, and the watching costs the program nothing. */
static int follow_fade(Display *d, Window w, double click_after)
{
    Atom opacity = XInternAtom(d, "_NET_WM_WINDOW_OPACITY", False);
    XSelectInput(d, w, PropertyChangeMask | StructureNotifyMask);
    const double mapped = now();
    printf("map %.6f\n", mapped);
    printf("step %.6f %.1f\n", now(), opacity_of(d, w, opacity));
    int clicked = click_after < 0;
    const double deadline = mapped + 20.0;
    while (now() < deadline) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == PropertyNotify && e.xproperty.window == w && e.xproperty.atom == opacity &&
                e.xproperty.state == PropertyNewValue) {
                printf("step %.6f %.1f %lu\n", now(), opacity_of(d, w, opacity), e.xproperty.time);
            } else if (e.type == UnmapNotify && e.xunmap.window == w) {
                printf("unmap %.6f\n", now());
                return 0;
            }
        }
        if (!clicked && now() >= mapped + click_after) {
            Window child;
            int x, y;
            XWindowAttributes a;
            XGetWindowAttributes(d, w, &a);
            XTranslateCoordinates(d, w, DefaultRootWindow(d), a.width / 2, a.height / 2, &x, &y, &child);
            XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
            XTestFakeButtonEvent(d, 1, True, CurrentTime);
            XTestFakeButtonEvent(d, 1, False, CurrentTime);
            XFlush(d);
            printf("click %.6f\n", now());
            clicked = 1;
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(d), &fds);
        struct timeval pause = {0, 1000};
        select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &pause);
    }
    return 1;
}

static int compare_doubles(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

static int ping_window(Display *d, Window w, double seconds)
{
    Window root = DefaultRootWindow(d);
    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    /* The answer is sent to the root window, as to a window manager. */
    XSelectInput(d, root, StructureNotifyMask);
    static double latency[100000];
    int count = 0;
    long serial = 0;
    const double end = now() + seconds;
    while (now() < end && count < 100000) {
        XEvent e;
        memset(&e, 0, sizeof e);
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = protocols;
        e.xclient.format = 32;
        e.xclient.data.l[0] = (long)ping;
        e.xclient.data.l[1] = ++serial;
        e.xclient.data.l[2] = (long)w;
        XSendEvent(d, w, False, NoEventMask, &e);
        XFlush(d);
        const double sent = now();
        int answered = 0;
        while (!answered && now() < sent + 10.0) {
            while (XPending(d)) {
                XNextEvent(d, &e);
                if (e.type == ClientMessage && e.xclient.message_type == protocols &&
                    (Atom)e.xclient.data.l[0] == ping && e.xclient.data.l[1] == serial)
                    answered = 1;
            }
            if (!answered) {
                fd_set fds;
                FD_ZERO(&fds);
                FD_SET(ConnectionNumber(d), &fds);
                struct timeval pause = {0, 1000};
                select(ConnectionNumber(d) + 1, &fds, NULL, NULL, &pause);
            }
        }
        if (!answered)
            return 1;
        latency[count++] = (now() - sent) * 1000.0;
        const struct timespec gap = {0, 10000000};
        nanosleep(&gap, NULL);
    }
    if (!count)
        return 1;
    qsort(latency, (size_t)count, sizeof latency[0], compare_doubles);
    printf("%.1f %.1f\n", latency[count - 1], latency[count / 2]);
    return 0;
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
        } else if (strcmp(argv[1], "fade") == 0) {
            Window w = find_mapped(d, utf8, net_name, argv[2]);
            if (w) {
                setvbuf(stdout, NULL, _IOLBF, 0);
                return follow_fade(d, w, argc > 3 ? atof(argv[3]) : -1.0);
            }
        } else if (strcmp(argv[1], "ping") == 0 && argc == 4) {
            Window w = find_mapped(d, utf8, net_name, argv[2]);
            if (w)
                return ping_window(d, w, atof(argv[3]));
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
