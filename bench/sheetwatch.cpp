// Starts a program and times it from the start to the moment the X server
// maps a top-level window with the given name; then asks that window to close
// (WM_DELETE_WINDOW, the close box) and waits for the program to end.
// Every program is treated alike: nothing in the program itself is involved.
//
//   sheetwatch [-t SECONDS] NAME PROGRAM [ARGS...]
// prints: visible_ms=... exit_ms=... maxrss_kb=... status=...
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

double NowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

std::string WindowName(Display* display, Window window)
{
    static const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string name;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) == Success && data) {
        name.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    if (name.empty()) {
        char* legacy = nullptr;
        if (XFetchName(display, window, &legacy) && legacy) {
            name = legacy;
            XFree(legacy);
        }
    }
    return name;
}

bool IsShown(Display* display, Window window)
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

void AskToClose(Display* display, Window window)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

// Errors for windows that vanish between an event and our query are expected.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    double timeoutMs = 60000;
    int arg = 1;
    if (arg + 1 < argc && std::strcmp(argv[arg], "-t") == 0) {
        timeoutMs = std::atof(argv[arg + 1]) * 1000;
        arg += 2;
    }
    if (argc - arg < 2) {
        std::fprintf(stderr, "usage: sheetwatch [-t SECONDS] NAME PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string wanted = argv[arg];
    char** command = argv + arg + 1;

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "sheetwatch: no X display\n");
        return 2;
    }
    XSetErrorHandler(&IgnoreXError);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const double start = NowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        _exit(127);
    }
    if (child < 0)
        return 2;

    const double deadline = start + timeoutMs;
    Window sheet = None;
    double visible = -1;
    int status = 0;
    bool ended = false;
    while (sheet == None && NowMs() < deadline) {
        while (sheet == None && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            Window candidate = None;
            if (event.type == MapNotify) {
                candidate = event.xmap.window;
                // The name may come after the map; hear about it then.
                XSelectInput(display, candidate, PropertyChangeMask);
            } else if (event.type == PropertyNotify && IsShown(display, event.xproperty.window)) {
                candidate = event.xproperty.window;
            }
            if (candidate != None && WindowName(display, candidate) == wanted) {
                visible = NowMs() - start;
                sheet = candidate;
            }
        }
        if (sheet != None)
            break;
        if (waitpid(child, &status, WNOHANG) == child) {
            ended = true;
            break;
        }
        pollfd fd = {ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, 20);
    }

    rusage usage = {};
    if (sheet != None) {
        double nextAsk = 0;
        while (!ended && NowMs() < deadline) {
            if (NowMs() >= nextAsk) {
                AskToClose(display, sheet);
                nextAsk = NowMs() + 250;
            }
            if (wait4(child, &status, WNOHANG, &usage) == child)
                ended = true;
            else
                usleep(5000);
        }
    }
    if (!ended) {
        kill(child, SIGKILL);
        wait4(child, &status, 0, &usage);
    } else if (usage.ru_maxrss == 0) {
        getrusage(RUSAGE_CHILDREN, &usage);
    }
    const double exited = NowMs() - start;
    std::printf("visible_ms=%.1f exit_ms=%.1f maxrss_kb=%ld status=%d\n", visible, exited,
                usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    XCloseDisplay(display);
    return sheet != None && ended ? 0 : 1;
}
