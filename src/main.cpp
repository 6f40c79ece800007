#include "app/MainWindow.h"
#include "app/SplashStart.h"
#include "cfg/CommandLine.h"
#include "settings/IniSettings.h"
#include "shell/QtDialogs.h"
#include "shell/QtSoundPlayer.h"
#include "workflows/AccessImportCommand.h"
#include "workflows/AccessOffer.h"
#include "access/AccessReadWorker.h"
#include "exports/CompareCommandLine.h"
#include "exports/ExportCommandLine.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>

int main(int argc, char* argv[])
{
    // --check, --import-access, --export, --codebook, --compare, --help and --version run without any
    // window, as does the reader that --import-access and File > Open start.
    if (k7::IsCommandLineCall(argc, argv)) {
        const auto importAccess = [](const QStringList& args, QTextStream& out, QTextStream& err) {
            return k7::RunAccessImportCommand(args, out, err);
        };
        return k7::RunCommandLine(argc, argv,
                                  {k7::AccessCheckWarnings,
                                   {{"--import-access", importAccess},
                                    {k7::kReadAccessWorkerOption, k7::RunAccessReadWorker},
                                    {"--export", k7::RunExportCommand},
                                    {"--codebook", k7::RunCodebookCommand},
                                    {"--compare", k7::RunCompareCommand}}});
    }

    // "k7" and "k7 FILE.cfg": the windows start here.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("k7"));
    QApplication::setOrganizationName(QStringLiteral("k7"));
    // An installed K7 is known to the desktop by its entry and icon, which
    // name the window in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("k7"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("k7")));

    k7::QtDialogs dialogs;
    k7::QtSoundPlayer sound;
    k7::SplashStart start;
    k7::MainWindow window(dialogs, sound, k7::IniSettings::defaultPath());
    dialogs.setParent(&window);

    const QStringList args = QApplication::arguments();
    const QString cfgFile = args.size() > 1 ? QFileInfo(args.at(1)).absoluteFilePath() : QString();
    start.begin([&window, cfgFile] { window.startUp(cfgFile); });
    return app.exec();
}
