// fotoria-bench-change: how long a wallpaper change takes to reach the screen.
//
//   fotoria-bench-change time <timeout ms> <command...>
//       Runs the command and reads a few small patches of the screen every
//       5 ms until they changed and then held still for 1.5 s. Prints the
//       milliseconds from just before the command to the first read of the
//       final picture, and that picture's signature. Exit 1 when nothing
//       changed within the time-out, 3 when the command failed.
//   fotoria-bench-change read               prints the screen's signature now
//   fotoria-bench-change wait <sig> <ms>    waits until the screen shows sig
//   fotoria-bench-change match <sig> <sig>  exit 0 when both are the same picture
//   fotoria-bench-change photo <sig>        exit 0 when the patches differ (a photo,
//                                           not a plain colour a desktop shows between two)
//
// The screen is the root window of $DISPLAY with everything on it, so the
// same read serves a bare root window and a desktop's own window above it.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kPatch = 8;
constexpr int kPollMs = 5;
// Long enough for a desktop that shows a plain colour while it loads the next picture.
constexpr int kSteadyMs = 1500;
// JPEG and scaling differences between two reads of one picture stay far below this.
constexpr int kTolerance = 6;

double nowMs()
{
    timespec t {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

void sleepMs(int ms)
{
    timespec t { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&t, nullptr);
}

// The mean colour of a few patches away from the corners and edges, where
// desktop icons, panels and the calendar sit.
std::vector<int> readSignature(Display *display)
{
    const Window root = DefaultRootWindow(display);
    const int w = DisplayWidth(display, DefaultScreen(display));
    const int h = DisplayHeight(display, DefaultScreen(display));
    const double points[][2] = { { 0.5, 0.5 }, { 0.3, 0.5 }, { 0.7, 0.5 }, { 0.5, 0.3 }, { 0.5, 0.7 } };
    std::vector<int> signature;
    for (const auto &point : points) {
        const int x = int(point[0] * w) - kPatch / 2;
        const int y = int(point[1] * h) - kPatch / 2;
        XImage *image = XGetImage(display, root, x, y, kPatch, kPatch, AllPlanes, ZPixmap);
        long sum[3] = { 0, 0, 0 };
        if (image) {
            for (int row = 0; row < kPatch; ++row) {
                for (int col = 0; col < kPatch; ++col) {
                    const unsigned long pixel = XGetPixel(image, col, row);
                    sum[0] += (pixel & image->red_mask) >> __builtin_ctzl(image->red_mask);
                    sum[1] += (pixel & image->green_mask) >> __builtin_ctzl(image->green_mask);
                    sum[2] += (pixel & image->blue_mask) >> __builtin_ctzl(image->blue_mask);
                }
            }
            XDestroyImage(image);
        }
        for (long s : sum)
            signature.push_back(int(s / (kPatch * kPatch)));
    }
    return signature;
}

std::string text(const std::vector<int> &signature)
{
    std::string out;
    for (size_t i = 0; i < signature.size(); ++i)
        out += (i == 0 ? "" : (i % 3 == 0 ? "/" : ",")) + std::to_string(signature[i]);
    return out;
}

std::vector<int> parse(const char *text)
{
    std::vector<int> signature;
    for (const char *p = text; *p;) {
        char *end = nullptr;
        signature.push_back(int(std::strtol(p, &end, 10)));
        if (end == p)
            return {};
        p = *end ? end + 1 : end;
    }
    return signature;
}

bool same(const std::vector<int> &a, const std::vector<int> &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::abs(a[i] - b[i]) > kTolerance)
            return false;
    }
    return true;
}

int timeChange(Display *display, int timeoutMs, char **command)
{
    const std::vector<int> before = readSignature(display);
    const double start = nowMs();
    const pid_t child = fork();
    if (child == 0) {
        execvp(command[0], command);
        std::perror(command[0]);
        _exit(127);
    }
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    bool running = true;
    std::vector<int> last = before;
    double lastChange = -1; // first read of the picture now shown, once it changed
    while (true) {
        if (running) {
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                running = false;
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                    std::printf("failed %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
                    return 3;
                }
            }
        }
        const double t = nowMs();
        const std::vector<int> now = readSignature(display);
        if (!same(now, last)) {
            last = now;
            lastChange = same(now, before) ? -1 : t;
        }
        if (lastChange >= 0 && t - lastChange >= kSteadyMs) {
            std::printf("%.1f %s\n", lastChange - start, text(last).c_str());
            break;
        }
        if (t - start > timeoutMs) {
            std::printf("timeout %s\n", text(now).c_str());
            if (running)
                waitpid(child, nullptr, 0);
            return 1;
        }
        sleepMs(kPollMs);
    }
    if (running)
        waitpid(child, nullptr, 0);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "match" && argc == 4)
        return same(parse(argv[2]), parse(argv[3])) ? 0 : 1;
    if (mode == "photo" && argc == 3) {
        const std::vector<int> signature = parse(argv[2]);
        for (size_t i = 3; i < signature.size(); ++i) {
            if (std::abs(signature[i] - signature[i % 3]) > 4 * kTolerance)
                return 0;
        }
        return 1;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "fotoria-bench-change: cannot open the display\n");
        return 2;
    }
    if (mode == "read") {
        std::printf("%s\n", text(readSignature(display)).c_str());
        return 0;
    }
    if (mode == "wait" && argc == 4) {
        const std::vector<int> wanted = parse(argv[2]);
        const double start = nowMs();
        while (!same(readSignature(display), wanted)) {
            if (nowMs() - start > std::atoi(argv[3]))
                return 1;
            sleepMs(kPollMs);
        }
        return 0;
    }
    if (mode == "time" && argc > 3)
        return timeChange(display, std::atoi(argv[2]), argv + 3);
    std::fprintf(stderr,
        "usage: fotoria-bench-change time <timeout ms> <command...> | read | wait <sig> <ms> | match <sig> <sig>\n");
    return 2;
}
