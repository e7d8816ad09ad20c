// Grimaze, the desktop program. Start-up and shutdown run in a fixed order: settings, the
// registry of effect classes, the language, the main window with its working window (library,
// photos, gallery), the version check; shutdown in reverse, the rendering thread first.
#include "app/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "engine/PhotoDocument.h"
#include "i18n/LanguageManager.h"
#include "platform/Files.h"
#include "settings/GrimazeSettings.h"
#include "shell/GrimazeDlg.h"
#include "shell/Messages.h"
#include "shell/OptionPane2D.h"
#include "shell/ShellStartup.h"
#include "shell/logic/DesktopOptions.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <QMessageBox>

using engine::CPhotoDocument;
using settings::CGrimazeSettings;
using settings::GrimazeSettings;
using settings::SaveGrimazeSettings;
using settings::SetSettingsMessageHandler;
using settings::SettingsSession;

namespace {

/**
 * --help and --version are answered before anything else starts, so that they work without a
 * display; every other word is parsed once the application has taken its own (-platform ...).
 */
std::optional<int> AnswerWithoutWindow(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            std::fputs(shell::DesktopHelp().c_str(), stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("grimaze %s\n", GRIMAZE_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

/** The photos named on the command line; nullopt (after saying why on stderr) when it is wrong. */
std::optional<QStringList> CommandLinePhotos(const QStringList& arguments)
{
    QCommandLineParser parser;
    for (const app::OptionSpec& o : shell::DesktopOptions()) {
        QStringList names{QString::fromUtf8(o.name)};
        if (o.shortName) names << QString(QChar(o.shortName));
        parser.addOption(o.value ? QCommandLineOption(names, QString::fromUtf8(o.help), QString::fromUtf8(o.value))
                                 : QCommandLineOption(names, QString::fromUtf8(o.help)));
    }
    parser.addPositionalArgument("photos", "photos to add to the photo strip", "[PHOTO...]");
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "grimaze: %s (grimaze --help lists the options)\n", qPrintable(parser.errorText()));
        return std::nullopt;
    }
    QStringList files;
    for (const QString& arg : parser.positionalArguments()) {
        // "Open with" may hand over a file: URL instead of a path.
        const QString path = arg.startsWith("file:") ? QUrl(arg).toLocalFile() : arg;
        if (QFileInfo(path).isFile()) files << QFileInfo(path).absoluteFilePath();
        else std::fprintf(stderr, "grimaze: no such photo: %s\n", qPrintable(arg));
    }
    return files;
}

}  // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> rc = AnswerWithoutWindow(argc, argv)) return *rc;
    QElapsedTimer sinceStart;
    sinceStart.start();
    // Settings first: they choose the language. They are saved explicitly below, while a
    // window can still say that saving failed.
    SettingsSession settings(false);
    // What a crash or a kill left half-written last time goes before anything is written anew.
    platform::RemoveStaleTemporaries();
    app::RegisterBuiltinClasses();
    shell::RegisterShellClasses();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Grimaze");
    QApplication::setOrganizationName("Kestrovo");
    QApplication::setDesktopFileName("grimaze");
    controls::theme::Apply(app);
    controls::QtNotificationSink::Install();

    const std::optional<QStringList> files = CommandLinePhotos(QApplication::arguments());
    if (!files) return 2;

    CGrimazeSettings& prefs = GrimazeSettings();
    i18n::Languages().Choose(prefs.language, prefs.languageAuto);

    int rc = 0;
    {
        CPhotoDocument document;
        shell::CGrimazeDlg window(document, shell::DesktopHooks(document));
        window.ShowAsRemembered();
        // Photos named on the command line (the desktop's "open with") go to the front.
        if (!files->isEmpty()) window.AddFiles(*files);
        shell::StartAutomaticVersionCheck(window);
        // GRIMAZE_STARTUP_REPORT=1 says how long the window took to appear and how many photos
        // the strip holds ("exit": and quits).
        if (const char* report = std::getenv("GRIMAZE_STARTUP_REPORT")) {
            while (!(window.windowHandle() && window.windowHandle()->isExposed())) QApplication::processEvents();
            window.repaint();
            std::fprintf(stderr, "grimaze: window shown %lld ms after start, %d photos in the strip\n",
                         static_cast<long long>(sinceStart.elapsed()), document.PhotoCount());
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
