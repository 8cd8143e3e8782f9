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

#include <memory>
#include <string>

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

    // The user's own stored preferences, or the file that HX5310_CONFIG names: the variable
    // hx5310ctl reads too, so that a production station keeps one serial-number counter.
    const std::string prefsFile = qEnvironmentVariable("HX5310_CONFIG").toStdString();
    auto ownPrefs = prefsFile.empty() ? std::make_unique<hx::QtPreferences>()
                                      : std::make_unique<hx::QtPreferences>(prefsFile);
    hx::QtPreferences& prefs = *ownPrefs;
    hx::QtPortFactory ports;
    hx::QtWindow window;
    hx::CHX5310ConfigApp config(prefs);
    config.InitInstance(window, ports);
    return 0;
}
