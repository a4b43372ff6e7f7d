// Starts a program and ends it as soon as top-level windows of every given title are mapped on
// the X display, so that a whole-process timing of this command is the program's start-up:
//   window_up TITLE[,TITLE...] PROGRAM [ARG ...]
// A program that shows its main window first and its remembered tool windows last is timed up
// to the last of them. Exits 0 when they all came up, 1 when the program ended first or 10 s
// went by.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <string>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
std::string TitleOf(Display* pDisplay, Window window) {
    char* pszName = nullptr;
    if (XFetchName(pDisplay, window, &pszName) == 0 || pszName == nullptr) {
        return {};
    }
    std::string title = pszName;
    XFree(pszName);
    return title;
}
} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_up TITLE PROGRAM [ARG ...]\n");
        return 2;
    }
    Display* pDisplay = XOpenDisplay(nullptr);
    if (pDisplay == nullptr) {
        std::fprintf(stderr, "window_up: no X display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(pDisplay);
    XSelectInput(pDisplay, root, SubstructureNotifyMask);
    XSync(pDisplay, False);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
        std::fprintf(stderr, "window_up: %s could not be started\n", argv[2]);
        return 2;
    }
    std::set<std::string> waiting;
    std::istringstream titles(argv[1]);
    for (std::string title; std::getline(titles, title, ',');) {
        waiting.insert(title);
    }
    int nResult = 1;
    const int nFd = ConnectionNumber(pDisplay);
    for (int nWaited = 0; nWaited < 10000 && nResult != 0;) {
        while (XPending(pDisplay) > 0) {
            XEvent event;
            XNextEvent(pDisplay, &event);
            if (event.type == MapNotify) {
                waiting.erase(TitleOf(pDisplay, event.xmap.window));
                nResult = waiting.empty() ? 0 : 1;
            }
        }
        if (nResult == 0 || ::waitpid(pid, nullptr, WNOHANG) == pid) {
            break;
        }
        pollfd fd{nFd, POLLIN, 0};
        ::poll(&fd, 1, 50);
        nWaited += 50;
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    XCloseDisplay(pDisplay);
    return nResult;
}
