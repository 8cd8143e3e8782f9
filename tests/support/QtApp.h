#pragma once
// The application object of a Qt test binary, made on first use: a QApplication on the
// offscreen platform (unless the environment names another), so that tests with widgets and
// tests with the serial port can share a binary.
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
