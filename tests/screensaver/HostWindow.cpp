// A plain X11 window of another process for the preview tests: maps a grey
// window at (100, 100), 320x240 or the size given as "WxH", prints its id,
// destroys it when "destroy" arrives on stdin and exits at end of input.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    unsigned width = 320, height = 240;
    if (argc > 1 && std::sscanf(argv[1], "%ux%u", &width, &height) != 2)
        return 2;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const int screen = DefaultScreen(display);
    const Window window
        = XCreateSimpleWindow(display, RootWindow(display, screen), 100, 100, width, height, 0, 0, 0x808080);
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
