// A plain X11 window of another process for the preview tests: maps a
// 320x240 grey window at (100, 100), prints its id, destroys it when
// "destroy" arrives on stdin and exits at end of input.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int main()
{
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const int screen = DefaultScreen(display);
    const Window window
        = XCreateSimpleWindow(display, RootWindow(display, screen), 100, 100, 320, 240, 0, 0, 0x808080);
    XStoreName(display, window, "fotoria-test-host");
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);

    std::string line;
    while (std::getline(std::cin, line)) {
        if (line == "destroy") {
            XDestroyWindow(display, window);
            XSync(display, False);
            std::printf("destroyed\n");
            std::fflush(stdout);
        }
    }
    XCloseDisplay(display);
    return 0;
}
