// Grimaze, the desktop program. Start-up and shutdown run in a fixed order: settings, the
// registry of effect classes, the language, the main window with its working window (library,
// photos, gallery), the version check; shutdown in reverse, the rendering thread first.
#include "cli/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "engine/PhotoDocument.h"
#include "i18n/LanguageManager.h"
#include "platform/Files.h"
#include "settings/GrimazeSettings.h"
#include "shell/MainWindow.h"
#include "shell/Messages.h"
#include "shell/OptionPane2D.h"
#include "shell/ShellStartup.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <QMessageBox>

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Settings first: they choose the language. They are saved explicitly below, while a
    // window can still say that saving failed.
    SettingsSession settings(false);
    // What a crash or a kill left half-written last time goes before anything is written anew.
    platform::RemoveStaleTemporaries();
    RegisterBuiltinClasses();
    shell::RegisterShellClasses();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Grimaze");
    QApplication::setOrganizationName("Kestrovo");
    QApplication::setDesktopFileName("grimaze");
    ui::theme::Apply(app);
    ui::QtNotificationSink::Install();

    CGrimazeSettings& prefs = GrimazeSettings();
    i18n::Languages().Choose(prefs.language, prefs.languageAuto);

    int rc = 0;
    {
        CPhotoDocument document;
        shell::CGrimazeDlg window(document, shell::DesktopHooks(document));
        window.ShowAsRemembered();
        // Photos named on the command line (the desktop's "open with") go to the front.
        QStringList files;
        for (const QString& arg : QApplication::arguments().mid(1))
            if (QFileInfo(arg).isFile()) files << QFileInfo(arg).absoluteFilePath();
        if (!files.isEmpty()) window.AddFiles(files);
        shell::StartAutomaticVersionCheck(window);
        // GRIMAZE_STARTUP_REPORT=1 says how long the window took to appear ("exit": and quits).
        if (const char* report = std::getenv("GRIMAZE_STARTUP_REPORT")) {
            while (!(window.windowHandle() && window.windowHandle()->isExposed())) QApplication::processEvents();
            window.repaint();
            std::fprintf(stderr, "grimaze: window shown %lld ms after start\n",
                         static_cast<long long>(sinceStart.elapsed()));
            if (std::string(report) == "exit") QTimer::singleShot(0, &app, &QApplication::quit);
        }
        rc = app.exec();
        // The window's destructor stops the rendering thread and saves the library.
    }
    update::StopVersionChecks();

    SetSettingsMessageHandler([](const std::string& message) {
        QMessageBox::warning(nullptr, "Grimaze", QString::fromStdString(message));
    });
    SaveGrimazeSettings();
    return rc;
}
