#pragma once
// The one Qt application object of a Qt test binary (qt_tests, e2e_tests). It is a
// QApplication so that widget tests and port tests can share a binary; it lives until the
// process ends. Without a display it runs on the offscreen platform.
#include <QApplication>

namespace hx::test {

inline void EnsureQtApp() {
    if (QCoreApplication::instance())
        return;
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "hx5310-tests";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

} // namespace hx::test
