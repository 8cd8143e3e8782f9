// hx5310-config: the configuration tool's window.
#include "HX5310ConfigApp.h"
#ifdef HX_HAVE_PG
#include "PgSerialStore.h"
#endif
#include "QtPreferences.h"
#include "QtWaitingStore.h"
#ifdef _WIN32
#include "WinSerialPort.h"
#else
#include "QtSerialPort.h"
#endif
#include "QtWindow.h"
#include "QtWindowPictures.h"
#include "Version.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

namespace {

const char* const kUsage =
    "Usage: hx5310-config [Qt options]\n"
    "The HX-5310 configuration tool's window: reads, edits, sends and stores the settings of an\n"
    "HX-5310 voice relay box over a serial port.\n"
    "\n"
    "  --help       show this text\n"
    "  --version    show the program's version\n"
    "\n"
    "Environment: HX5310_CONFIG names a file for the stored preferences (the port last used\n"
    "and the serial-number counter) instead of the user's own. HX5310_COUNTER names a line's\n"
    "database counter (postgresql://USER@HOST/DB), which then gives the serial numbers and\n"
    "keeps the production record. The command-line tool is hx5310ctl, the virtual box\n"
    "hx5310-sim.\n";

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("hx5310-config %s\n", HX_VERSION);
            return 0;
        }
    }
    hx::PrepareQtDrawing();
    QApplication app(argc, argv);
    QApplication::setOrganizationName("QORVA");
    QApplication::setApplicationName("HX-5310-Config");
    QApplication::setApplicationVersion(HX_VERSION);
    QApplication::setWindowIcon(hx::AppIcon());

    // The user interface is Japanese: Qt's own dialogs (file dialogs, their questions) too.
    // Without Qt's Japanese texts those dialogs speak English; the window still works.
    if (std::string folder; !hx::InstallQtJapaneseTexts(folder))
        std::fprintf(stderr,
                     "hx5310-config: Qt's Japanese texts (qtbase_ja.qm) are not in %s; the file "
                     "dialogs will be in English (Debian package qt6-translations-l10n)\n",
                     folder.c_str());

    // The user's own stored preferences, or the file that HX5310_CONFIG names: the variable
    // hx5310ctl reads too, so that a production station keeps one serial-number counter.
    const std::string prefsFile = qEnvironmentVariable("HX5310_CONFIG").toStdString();
    auto ownPrefs = prefsFile.empty() ? std::make_unique<hx::QtPreferences>()
                                      : std::make_unique<hx::QtPreferences>(prefsFile);
    hx::QtPreferences& prefs = *ownPrefs;
#ifdef _WIN32
    hx::WinPortFactory ports;
#else
    hx::QtPortFactory ports;
#endif
    hx::QtWindow window;
    hx::CHX5310ConfigApp config(prefs);
    // A line's database counter, named as hx5310ctl takes it from the environment.
    const std::string counter = qEnvironmentVariable("HX5310_COUNTER").toStdString();
    std::unique_ptr<hx::ISerialStore> store;
    std::unique_ptr<hx::QtWaitingStore> waiting; // asks store; ends first
    const bool database =
        counter.rfind("postgresql://", 0) == 0 || counter.rfind("postgres://", 0) == 0;
    if (!counter.empty() && !database) {
        store = std::make_unique<hx::RefusingStore>(
            counter, "HX5310_COUNTER は postgresql:// の接続文字列ではありません");
        config.SetSerialStore(store.get());
    } else if (!counter.empty()) {
#ifdef HX_HAVE_PG
        store = std::make_unique<hx::PgSerialStore>(counter);
        // The window keeps painting while the database answers.
        waiting = std::make_unique<hx::QtWaitingStore>(*store);
#else
        store = std::make_unique<hx::RefusingStore>(
            counter, "このプログラムは PostgreSQL（libpq）なしで作られています");
        std::fprintf(stderr,
                     "hx5310-config: built without PostgreSQL (libpq); the counter %s cannot be "
                     "used, and no box is given a serial number\n",
                     counter.c_str());
#endif
        config.SetSerialStore(waiting ? waiting.get() : store.get());
    }
    config.InitInstance(window, ports);
    return 0;
}
