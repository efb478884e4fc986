#pragma once

#include "TestEnvironment.h"

#include <QApplication>
#include <QtTest>

// Like QTEST_MAIN, but the environment is isolated before the application
// object exists, so QSettings and QStandardPaths never see the real home.
#define FOTORIA_TEST_MAIN(TestObject)                                  \
    int main(int argc, char *argv[])                                   \
    {                                                                  \
        fotoria::test::isolateEnvironment();                           \
        QApplication app(argc, argv);                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                       \
        TestObject tc;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                     \
        return QTest::qExec(&tc, argc, argv);                          \
    }

#define FOTORIA_TEST_GUILESS_MAIN(TestObject)                          \
    int main(int argc, char *argv[])                                   \
    {                                                                  \
        fotoria::test::isolateEnvironment();                           \
        QCoreApplication app(argc, argv);                              \
        TestObject tc;                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                     \
        return QTest::qExec(&tc, argc, argv);                          \
    }
