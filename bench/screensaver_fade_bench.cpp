// fotoria-bench-fade <in> [steps]
// Shows the picture in a full-screen screensaver window and times the paint
// of each step of its fade-in (the picture under the overlay, the overlay,
// and the flush to the screen). Prints "median worst" in milliseconds.
#include <FaderWidget.h>
#include <SSDialog.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: fotoria-bench-fade <in> [steps]\n");
        return 2;
    }
    SSDialog dialog;
    dialog.showFullScreen();
    if (!QTest::qWaitForWindowExposed(&dialog))
        return 1;
    dialog.setImage(args.at(1));
    FaderWidget *fader = dialog.fader();

    std::vector<double> steps;
    QElapsedTimer clock;
    while (fader->direction() != 0) {
        clock.start();
        fader->repaint();
        steps.push_back(clock.nsecsElapsed() / 1e6);
        fader->step();
    }
    if (steps.empty())
        return 1;
    std::sort(steps.begin(), steps.end());
    std::printf("%.2f %.2f %zu %dx%d\n", steps[steps.size() / 2], steps.back(), steps.size(), dialog.width(),
        dialog.height());
    return 0;
}
