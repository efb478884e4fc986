#pragma once

#include <QApplication>

// The screensaver's application object; no behaviour of its own.
class SSApplication : public QApplication
{
    Q_OBJECT
public:
    SSApplication(int &argc, char **argv)
        : QApplication(argc, argv)
    {
    }
};
