#include "app/IniSettings.h"
#include "app/MainWindow.h"
#include "cfg/CommandLine.h"
#include "platform/qt/QtDialogs.h"
#include "platform/qt/QtSoundPlayer.h"
#include "windows/AboutDialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

int main(int argc, char* argv[])
{
    // --check, --help and --version run without any window.
    if (k7::IsCommandLineCall(argc, argv))
        return k7::RunCommandLine(argc, argv);

    // "k7" and "k7 FILE.cfg": the windows start here.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("k7"));
    QApplication::setOrganizationName(QStringLiteral("k7"));

    // The about box stands as the splash for at least a second.
    k7::AboutDialog splash;
    splash.setSplash(true);
    splash.show();
    QElapsedTimer shown;
    shown.start();

    k7::QtDialogs dialogs;
    k7::QtSoundPlayer sound;
    k7::MainWindow window(dialogs, sound, k7::IniSettings::defaultPath());
    dialogs.setParent(&window);

    const QStringList args = QApplication::arguments();
    const QString cfgFile = args.size() > 1 ? args.at(1) : QString();
    QTimer::singleShot(qMax<qint64>(0, 1000 - shown.elapsed()), &window, [&] {
        splash.close();
        window.startUp(cfgFile);
    });
    return app.exec();
}
