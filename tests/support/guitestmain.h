#pragma once

// QTEST_MAIN for GUI tests, with the GUI thread in the single-threaded apartment as the app's
// main puts it: a dialog or job that calls the GUI thread's storage manager from a worker thread
// then fails here as it would on Windows.

#include "platform/platform.h"

#include <QApplication>
#include <QtTest>

#define TESSALINE_GUI_TEST_MAIN(TestObject)                                                                            \
    int main(int argc, char *argv[])                                                                                   \
    {                                                                                                                  \
        QApplication app(argc, argv);                                                                                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                                       \
        platform::current().enterGuiThreadApartment();                                                                 \
        TestObject tc;                                                                                                 \
        QTEST_SET_MAIN_SOURCE_PATH                                                                                     \
        return QTest::qExec(&tc, argc, argv);                                                                          \
    }
