// grimaze-tour: starts the desktop program as main() does, walks through its main states
// (start, photos added, a template picked in the gallery, a slider moved, zoom, the original
// image with its clip box, export, undo, another language, menus) and saves a screenshot of
// each into a folder. scripts/screenshot runs it under a virtual X server.
#include "app/Builtins.h"
#include "controls/QtNotify.h"
#include "controls/Theme.h"
#include "controls/ToolBar.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "i18n/LanguageManager.h"
#include "library/GalleryModel.h"
#include "library/ThumbnailWorker.h"
#include "platform/Folders.h"
#include "settings/GrimazeSettings.h"
#include "shell/BatchExportDlg.h"
#include "shell/DlgExport.h"
#include "shell/FilterList.h"
#include "shell/GrimazeDlg.h"
#include "shell/Messages.h"
#include "shell/OptionPane.h"
#include "shell/OptionPane2D.h"
#include "shell/OriginImgShowWnd.h"
#include "shell/PhotoList.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ProcessProp.h"
#include "shell/ShellIds.h"
#include "shell/ShellStartup.h"
#include "shell/ImageProcessDlg.h"
#include "update/VersionCheck.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include <opencv2/imgproc.hpp>

#include <cstdio>

using engine::CPhotoDocument;
using engine::SaveImage;
using engine::ViewRect;
using settings::CGrimazeSettings;
using settings::GrimazeSettings;
using settings::SettingsSession;

namespace {

QString g_folder;
int g_count = 0;

void Wait(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

void Snap(const QString& name, QWidget* window)
{
    Wait(150);
    QPixmap shot;
    if (QGuiApplication::platformName() == "xcb" && QGuiApplication::primaryScreen())
        shot = QGuiApplication::primaryScreen()->grabWindow(0);
    if (shot.isNull()) shot = window->grab();
    const QString file = QString("%1/%2-%3.png").arg(g_folder).arg(++g_count, 2, 10, QChar('0')).arg(name);
    shot.save(file);
    std::printf("%s\n", qPrintable(file));
}

void Mouse(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button = Qt::LeftButton)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), QPointF(w->mapToGlobal(p)), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, const QPoint& p)
{
    Mouse(w, QEvent::MouseButtonPress, p);
    Mouse(w, QEvent::MouseButtonRelease, p);
}

// A photo of our own to add: a sunset drawn with gradients and circles.
std::string MakePhoto(const std::string& folder)
{
    cv::Mat m(600, 900, CV_8UC3);
    for (int y = 0; y < m.rows; ++y) {
        const double t = double(y) / m.rows;
        m.row(y).setTo(cv::Scalar(120 + 100 * t, 80 + 60 * (1 - t), 230 - 60 * t));
    }
    cv::circle(m, {620, 330}, 90, cv::Scalar(90, 200, 255), cv::FILLED, cv::LINE_AA);
    for (int i = 0; i < 6; ++i)
        cv::ellipse(m, {150 + i * 130, 560}, {160, 90}, 0, 180, 360, cv::Scalar(60 + i * 8, 90 + i * 10, 40), cv::FILLED,
                    cv::LINE_AA);
    const std::string path = folder + "/sunset.jpg";
    SaveImage(path, m);
    return path;
}

/** The editing loop's controls: the File menu, the export dialog's choices and its notice, a
 *  zoom level, the batch export. Called once per language. */
void EditingTour(shell::CGrimazeDlg& window, const QString& suffix)
{
    QMenuBar* bar = window.MenuBar();
    bar->setActiveAction(bar->actions().value(0));
    Wait(400);
    Snap("file-menu-" + suffix, &window);
    if (QMenu* m = bar->actions().value(0)->menu()) m->hide();
    bar->setActiveAction(nullptr);

    window.Work()->Preview()->ZoomToActualSize();
    // The render for the zoom comes from the rendering thread a moment later.
    for (int i = 0; i < 50 && !window.Work()->Preview()->ShowingSharp(); ++i) Wait(100);
    Snap("zoom-100-" + suffix, &window);
    window.Work()->Preview()->ZoomToFit();

    QTimer::singleShot(1200, [&] {
        if (shell::CDlgExport* dlg = window.ExportDialog()) {
            dlg->FormatBox()->setCurrentIndex(dlg->FormatBox()->findData(QString("webp")));
            dlg->LongSideRadio()->click();
            dlg->KeepOpenCheck()->setChecked(true);
            dlg->PathEdit()->setText(g_folder + "/export-" + suffix);
            Wait(200);
            Snap("export-choices-" + suffix, dlg);
            dlg->Save();
            Wait(300);
            Snap("export-notice-" + suffix, dlg);
            dlg->reject();
        }
    });
    window.Command(shell::tool::Export);
    Wait(3000);

    QTimer::singleShot(800, [&] {
        if (shell::CBatchExportDlg* dlg = window.BatchDialog()) {
            dlg->FolderEdit()->setText(g_folder + "/batch-" + suffix);
            Snap("batch-dialog-" + suffix, dlg);
            dlg->reject();
        }
    });
    window.ExportSelected();
    Wait(1200);

    // Copy Result: rendered at full size, then said in the notice.
    window.CopyResult();
    Wait(2500);
    Snap("copy-notice-" + suffix, &window);
}

/** A second window whose template library cannot be installed: the notice at start. */
void LibraryProblemTour(const QString& suffix)
{
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QString blocked = g_folder + "/blocked-data";
    QDir().mkpath(blocked);
    QFile block(blocked + "/Kestrovo");
    if (block.open(QIODevice::WriteOnly)) block.write("not a folder");
    block.close();
    qputenv("XDG_DATA_HOME", blocked.toLocal8Bit());
    {
        CPhotoDocument document;  // of its own: the first window's photos and template stay as they are
        shell::CGrimazeDlg second(document, shell::DesktopHooks(document));
        second.move(60, 60);
        second.ShowAsRemembered();
        Wait(1500);
        Snap("library-problem-" + suffix, &second);
    }
    qputenv("XDG_DATA_HOME", data);
    QDir(blocked).removeRecursively();
}

void StartAndWelcome(shell::CGrimazeDlg& window)
{
    Wait(2000);
    Snap("start", &window);
    // The welcome panel in the smallest window the screen allows.
    const QSize normal = window.size();
    window.resize(window.minimumSize());
    Wait(600);
    Snap("welcome-smallest", &window);
    window.resize(normal);
    Wait(300);
}

/** A photo added, a template picked with a click in the gallery, a slider moved. */
void PhotoTemplateAndSlider(shell::CGrimazeDlg& window, shell::CProcessProp* page)
{
    shell::CImageProcessDlg* work = window.Work();
    // Photos added from the desktop.
    window.AddFiles({QString::fromStdString(MakePhoto(g_folder.toStdString()))});
    Wait(1500);
    Snap("photo-added", &window);

    // A template picked with a click in the gallery.
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    if (!plan.cells.empty()) {
        const auto& r = plan.cells[0].rect;
        Click(page->Gallery(), QPoint(r.x + r.width / 2, r.y + r.height / 2));
    }
    Wait(1500);
    Snap("template-selected", &window);

    // A slider moved.
    if (auto* pane = qobject_cast<shell::COptionPane2D*>(work->OperationPanel()->Pane())) {
        QSlider* s = pane->Slider(0);
        s->setValue(s->minimum() + (s->maximum() - s->minimum()) * 4 / 5);
    }
    Wait(1500);
    Snap("slider-moved", &window);
}

void ZoomAndExport(shell::CGrimazeDlg& window)
{
    // Zoomed into the preview.
    for (int i = 0; i < 3; ++i) window.Command(shell::tool::ZoomIn);
    for (int i = 0; i < 50 && !window.Work()->Preview()->ShowingSharp(); ++i) Wait(100);
    Snap("zoomed", &window);
    for (int i = 0; i < 80; ++i) window.Command(shell::tool::ZoomOut);

    // Export: the dialog over the window.
    QTimer::singleShot(1200, [&] {
        if (shell::CDlgExport* dlg = window.ExportDialog()) {
            Snap("export-dialog", &window);
            dlg->reject();
        }
    });
    window.Command(shell::tool::Export);
    Wait(2500);
}

void UndoAndResults(shell::CGrimazeDlg& window)
{
    shell::CImageProcessDlg* work = window.Work();
    // Another setting, exported again, then undo shows the first result; the strip lists both.
    if (auto* pane = qobject_cast<shell::COptionPane2D*>(work->OperationPanel()->Pane()))
        pane->Slider(0)->setValue(pane->Slider(0)->minimum());
    Wait(800);
    QTimer::singleShot(1200, [&] {
        if (shell::CDlgExport* dlg = window.ExportDialog()) dlg->reject();
    });
    window.Command(shell::tool::Export);
    Wait(2500);
    window.Undo();
    platform::Post(work->WindowId(), platform::msg::ToolbarCommand, 201, 0);  // the strip's results
    Wait(800);
    Snap("undo-results", &window);
    platform::Post(work->WindowId(), platform::msg::ToolbarCommand, 200, 0);
    Wait(300);
}

void OriginalImage(shell::CGrimazeDlg& window)
{
    shell::CImageProcessDlg* work = window.Work();
    // Original-image mode, the clip box's corner dragged in.
    platform::Post(work->WindowId(), platform::msg::ToolbarCommand, shell::worktab::OriginalMode, 0);
    Wait(800);
    shell::COriginImgShowWnd* view = work->OriginalView();
    const ViewRect photo = view->PhotoRect();
    const QPoint corner(photo.left + 1, photo.top + 1);
    const QPoint inside = corner + QPoint(photo.Width() / 6, photo.Height() / 6);
    Mouse(view, QEvent::MouseButtonPress, corner);
    Mouse(view, QEvent::MouseMove, inside);
    Mouse(view, QEvent::MouseButtonRelease, inside);
    Wait(800);
    Snap("original-image", &window);
    platform::Post(work->WindowId(), platform::msg::ToolbarCommand, shell::worktab::TemplateMode, 0);
    Wait(800);
}

void Rendering(shell::CGrimazeDlg& window, CPhotoDocument& document, shell::CProcessProp* page)
{
    // A template that renders in the background: the spinner turns meanwhile.
    const library::PaintPlan plan = page->Model()->BuildPaintPlan();
    if (plan.cells.size() > 1) {
        const auto& r = plan.cells[1].rect;
        Click(page->Gallery(), QPoint(r.x + r.width / 2, r.y + r.height / 2));
        Wait(140);
        Snap("rendering", &window);
        document.WaitForRendering();
        Wait(500);
    }
}

void Categories(shell::CGrimazeDlg& window, shell::CProcessProp* page)
{
    shell::CImageProcessDlg* work = window.Work();
    // Other categories.
    for (int c = 1; c < page->CategoryCount(); ++c) {
        platform::Post(work->WindowId(), platform::msg::ToolbarCommand, c, 0);
        Wait(200);
        page->Worker()->WaitForIdle(10000);
        Wait(300);
        Snap(QString("category-%1").arg(c + 1), &window);
        // An online template: the preview says how to get it.
        for (const auto& cell : page->Model()->BuildPaintPlan().cells)
            if (cell.state == library::kEntryOnline) {
                Click(page->Gallery(), QPoint(cell.rect.x + cell.rect.width / 2, cell.rect.y + cell.rect.height / 2));
                Wait(600);
                Snap("online-template", &window);
                break;
            }
    }
    platform::Post(work->WindowId(), platform::msg::ToolbarCommand, 0, 0);
    Wait(800);
}

void SettingsMenu(shell::CGrimazeDlg& window)
{
    // The settings menu.
    window.Command(shell::tool::Settings);
    Wait(300);
    if (window.SettingsMenu()->isVisible()) {
        window.LanguageSubMenu()->popup(window.SettingsMenu()->geometry().topRight());
        Wait(300);
    }
    Snap("settings-menu", &window);
    window.LanguageSubMenu()->hide();
    window.SettingsMenu()->hide();
}

/** German and French, everywhere at once, then English again. */
void Languages(shell::CGrimazeDlg& window)
{
    // Another language, everywhere at once.
    const auto table = i18n::Languages().LanguageTable();
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_deu.ini") window.MenuCommand(shell::menu::FirstLanguage + static_cast<int>(i));
    Wait(1200);
    Snap("german", &window);
    EditingTour(window, "de");
    LibraryProblemTour("de");
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_fra.ini") window.MenuCommand(shell::menu::FirstLanguage + static_cast<int>(i));
    Wait(1200);
    Snap("french", &window);
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].fileName == "lang_eng.ini") window.MenuCommand(shell::menu::FirstLanguage + static_cast<int>(i));
}

}  // namespace

int main(int argc, char** argv)
{
    SettingsSession settings(false);
    app::RegisterBuiltinClasses();
    shell::RegisterShellClasses();
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("screenshots");
    QDir().mkpath(g_folder);
    controls::theme::Apply(app);
    controls::QtNotificationSink::Install();
    CGrimazeSettings& prefs = GrimazeSettings();
    prefs.updateCheck = false;
    i18n::Languages().Choose(prefs.language, prefs.languageAuto);
    // Message boxes would wait for a person: answer them and show what they said.
    shell::SetMessageHook([](const QString& text, const QString&, QMessageBox::StandardButtons) {
        std::printf("message: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    });

    CPhotoDocument document;
    shell::CGrimazeDlg window(document, shell::DesktopHooks(document));
    window.move(40, 40);
    window.show();
    auto* page = static_cast<shell::CProcessProp*>(window.Work()->Page());
    StartAndWelcome(window);
    PhotoTemplateAndSlider(window, page);
    ZoomAndExport(window);
    UndoAndResults(window);
    OriginalImage(window);
    Rendering(window, document, page);
    Categories(window, page);
    SettingsMenu(window);
    EditingTour(window, "en");
    LibraryProblemTour("en");
    Languages(window);

    // Maximised.
    window.Command(shell::tool::Maximize);
    Wait(1200);
    Snap("maximised", &window);

    update::StopVersionChecks();
    return 0;
}
