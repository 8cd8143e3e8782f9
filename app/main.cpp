// hx5310-config: the configuration tool's window.
#include "app/HX5310ConfigApp.h"
#include "platform/qt/QtPreferences.h"
#include "platform/qt/QtSerialPort.h"
#include "platform/qt/QtWindow.h"
#include "platform/qt/QtWindowPictures.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("QORVA");
    QApplication::setApplicationName("HX-5310-Config");
    QApplication::setApplicationVersion("1.3.0.1");
    QApplication::setWindowIcon(hx::AppIcon());

    // The user interface is Japanese: Qt's own dialogs (file dialogs, their questions) too.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    hx::QtPreferences prefs;
    hx::QtPortFactory ports;
    hx::QtWindow window;
    hx::CHX5310ConfigApp config(prefs);
    config.InitInstance(window, ports);
    return 0;
}
