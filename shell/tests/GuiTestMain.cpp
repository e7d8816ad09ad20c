// main() of the desktop program's tests: a private HOME, the offscreen platform, the effect
// classes, then every test class. Without a Qt platform plugin the tests are skipped (77).
#include "app/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "platform/testing/TestEnv.h"
#include "shell/OptionPane2D.h"
#include "shell/tests/WorkflowGuiTests.h"
#include "shell/tests/GuiTestSupport.h"
#include "shell/tests/EditingGuiTests.h"
#include "shell/tests/GuiTests.h"
#include "shell/tests/LabelFitGuiTest.h"
#include "shell/tests/PaneGuiTests.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool PlatformPluginPresent(const QString& platform)
{
    const QDir dir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !dir.entryList({"*" + platform + "*"}, QDir::Files).isEmpty();
}

}  // namespace

int main(int argc, char** argv)
{
    testenv::TemporaryHome home;
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const QString platform = QString::fromLocal8Bit(std::getenv("QT_QPA_PLATFORM"));
    if (!PlatformPluginPresent(platform)) {
        std::printf("SKIP: the Qt platform plugin \"%s\" is not installed\n", qPrintable(platform));
        return 77;
    }
    if (platform == "offscreen") {
        // A screen of a usual size (the plugin's own is 800 x 600), or the one asked for.
        int w = 1600, h = 1000;
        if (const char* s = std::getenv("GRIMAZE_TEST_SCREEN")) std::sscanf(s, "%dx%d", &w, &h);
        const std::string config = std::string(std::getenv("HOME")) + "/offscreen-screen.json";
        if (FILE* f = std::fopen(config.c_str(), "w")) {
            std::fprintf(f, "{\"screens\": [{\"name\": \"Test\", \"x\": 0, \"y\": 0, \"width\": %d, \"height\": %d, "
                            "\"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}\n", w, h);
            std::fclose(f);
            setenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).c_str(), 1);
        }
    }
    app::RegisterBuiltinClasses();
    shell::RegisterShellClasses();
    guitest::RegisterTestClasses();

    QApplication app(argc, argv);
    controls::theme::Apply(app);
    controls::QtNotificationSink::Install();

    // GRIMAZE_GUI_CLASS=EditingGuiTest runs one class alone (the arguments then pick its functions).
    const char* only = std::getenv("GRIMAZE_GUI_CLASS");
    int failed = 0;
    auto run = [&](QObject&& tests) {
        if (!only || tests.metaObject()->className() == std::string(only)) failed += QTest::qExec(&tests, argc, argv);
    };
    run(ControlsGuiTest());
    run(ShellGuiTest());
    run(PaneGuiTest());
    run(PartsGuiTest());
    run(EditingGuiTest());
    run(GalleryGuiTest());
    run(WorkflowGuiTest());
    run(LabelFitGuiTest());
    return failed ? 1 : 0;
}
