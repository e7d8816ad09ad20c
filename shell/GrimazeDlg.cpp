#include "shell/GrimazeDlg.h"

#include "controls/CoolButtonBar.h"
#include "controls/Skin.h"
#include "controls/Theme.h"
#include "controls/ToolBar.h"
#include "controls/UiText.h"
#include "engine/ImageFilter.h"
#include "engine/ImageIO.h"
#include "engine/PhotoDocument.h"
#include "engine/SimpleTemplate.h"
#include "i18n/BuiltinStrings.h"
#include "i18n/UiIds.h"
#include "platform/Folders.h"
#include "settings/GrimazeSettings.h"
#include "shell/AboutDlg.h"
#include "batch/TemplateSettings.h"
#include "shell/BatchExportDlg.h"
#include "shell/DlgExport.h"
#include "shell/LiveCamera.h"
#include "shell/NoticeBar.h"
#include "shell/Messages.h"
#include "shell/OptionPane.h"
#include "shell/OriginImgShowWnd.h"
#include "shell/PhotoList.h"
#include "shell/PictureFiles.h"
#include "shell/PhotoEditPreviewWnd.h"
#include "shell/ShellIds.h"
#include "shell/TemplatePageBase.h"
#include "shell/Translation.h"
#include "shell/WizardWnd.h"
#include "shell/logic/ExportSave.h"
#include "shell/logic/FrameZones.h"
#include "shell/logic/WindowPlacement.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QWindow>

using batch::CaptureSettings;
using batch::JobForTemplate;
using batch::RestoreSettings;
using engine::CEffectTemplate;
using engine::COptionPanel;
using engine::CPhotoDocument;
using engine::PhotoRecord;
using engine::PictureType;
using engine::PictureTypeNamed;
using engine::PictureTypeOfFile;
using engine::PreparePhoto;
using engine::ReadImageSize;
using engine::ToolButton;
using settings::CGrimazeSettings;
using settings::CSessionSettings;
using settings::GrimazeSettings;

namespace shell {
namespace {

namespace str = i18n::ui::str;

// Posted by the export's rendering worker when it is done.
constexpr int kJobDone = -100;
constexpr int kStopAnimation = 600;
// Photos larger than this are decoded on a worker (a 12-megapixel JPEG takes a few tenths of a second).
constexpr long long kBackgroundDecodePixels = 2'500'000;

QString S(int id) { return controls::Str(id); }

Qt::Edges EdgesOf(int zone)
{
    Qt::Edges e;
    if (zone & ZoneLeft) e |= Qt::LeftEdge;
    if (zone & ZoneRight) e |= Qt::RightEdge;
    if (zone & ZoneTop) e |= Qt::TopEdge;
    if (zone & ZoneBottom) e |= Qt::BottomEdge;
    return e;
}

Qt::CursorShape CursorFor(int zone)
{
    switch (zone) {
    case ZoneLeft:
    case ZoneRight: return Qt::SizeHorCursor;
    case ZoneTop:
    case ZoneBottom: return Qt::SizeVerCursor;
    case ZoneLeft | ZoneTop:
    case ZoneRight | ZoneBottom: return Qt::SizeFDiagCursor;
    case ZoneRight | ZoneTop:
    case ZoneLeft | ZoneBottom: return Qt::SizeBDiagCursor;
    default: return Qt::ArrowCursor;
    }
}

// A template's button text: a string-table number, the English text of a string-table entry
// (translated as that entry), or a free phrase for the dictionary.
QString TemplateText(const std::string& text)
{
    bool isNumber = false;
    const int id = QString::fromStdString(text).toInt(&isNumber);
    if (isNumber) return controls::Str(id);
    for (const i18n::BuiltinString& s : i18n::BuiltinStrings())
        if (s.text == text) return controls::Str(s.id);
    return controls::Phrase(QString::fromStdString(text));
}

// The export dialog's choices as the last run left them; a format no longer written becomes JPEG.
ExportChoices ChoicesFromSession(const CSessionSettings& s)
{
    ExportChoices c;
    const PictureType* type = PictureTypeNamed(s.exportFormat);
    if (!type) type = PictureTypeOfFile("x." + s.exportFormat);
    if (type && type->writable) c.format = type->name;
    c.quality = s.jpegQuality;
    c.longSide = s.exportLongSide;
    c.gifWidth = s.gifMaxWidth;
    c.gifHeight = s.gifMaxHeight;
    c.gifDelayCs = s.gifDelay;
    c.keepOpen = s.exportKeepOpen;
    return c;
}

void StoreChoicesInSession(const ExportChoices& c, CSessionSettings& s)
{
    s.exportFormat = c.format;
    s.jpegQuality = c.quality;
    s.exportLongSide = c.longSide;
    if (c.gifWidth > 0 && c.gifHeight > 0) {
        s.gifMaxWidth = c.gifWidth;
        s.gifMaxHeight = c.gifHeight;
    }
    s.gifDelay = c.gifDelayCs;
    s.exportKeepOpen = c.keepOpen;
    s.Sanitise();
}

QAction* AddCommand(QMenu* menu, int command, QObject* receiver, std::function<void()> run)
{
    QAction* a = menu->addAction(QString());
    a->setData(command);
    QObject::connect(a, &QAction::triggered, receiver, std::move(run));
    return a;
}

}  // namespace

CGrimazeDlg::CGrimazeDlg(CPhotoDocument& document, Hooks hooks, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), controls::NotifyTarget(this), doc_(document),
      hooks_(std::move(hooks))
{
    setObjectName("mainWindow");
    setWindowTitle("Grimaze");
    setWindowIcon(QIcon(controls::Skin::Image(controls::img::AppIcon)));
    setMouseTracking(true);
    setAcceptDrops(true);
    setMinimumSize(kMinWidth, kMinHeight);

    BuildMenus();
    BuildMenuBar();
    RestoreExportPlace();
    CreateBars();
    CreateWorkingWindow();
    BindShortcuts();
    live_ = AttachLiveCamera(*this, doc_);
    qApp->installEventFilter(this);

    Retranslate();
    RebuildToolBar();
    setFocus();

    PlaceOnScreen(nullptr);
    layoutReady_ = true;
    LayOut();
}

void CGrimazeDlg::RestoreExportPlace()
{
    // The output folder: "Grimaze" in the documents folder.
    outputFolder_ = QString::fromStdString(platform::JoinPath(platform::DocumentsFolder(), "Grimaze"));
    platform::MakeFolders(outputFolder_.toStdString());
    // The folder and the format of the last export, when that folder is still there.
    const CSessionSettings& session = GrimazeSettings().session;
    exportChoices_ = ChoicesFromSession(session);
    recent_.Set(session.recentPhotos);
    QString folder = QString::fromStdString(session.exportFolder);
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = outputFolder_;
    defaultOutput_ = folder + "/Untitled" +
                     QString::fromStdString(PictureTypeNamed(exportChoices_.format)->PreferredExtension());
}

void CGrimazeDlg::CreateBars()
{
    toolBar_ = new controls::CFlexToolBar(this);
    toolBar_->setObjectName("toolBar");
    toolBar_->SetTarget(WindowId(), platform::msg::ToolbarCommand);
    const std::vector<controls::ButtonRecord> maxButtons = {{1, tool::Settings, 1, 0, 16, 13, str::Settings, -1},
                                                      {1, tool::Minimize, 17, 0, 16, 13, str::MinimizeWindow, -1},
                                                      {1, tool::Maximize, 34, 0, 16, 13, str::MaximizeWindow, -1},
                                                      {1, tool::Close, 50, 0, 16, 13, str::CloseWindow, -1}};
    std::vector<controls::ButtonRecord> restoreButtons = maxButtons;
    restoreButtons[2] = {1, tool::Restore, 34, 0, 16, 13, str::RestoreWindow, -1};
    winBar_ = new controls::CCoolButtonBar(this);
    winBar_->setObjectName("windowButtons");
    winBar_->SetUp(maxButtons, controls::img::WinButtonsNormal, controls::img::WinButtonsHover, controls::img::WinButtonsPressed,
                   controls::img::WinButtonsDisabled);
    winBar_->SetTarget(WindowId(), platform::msg::ToolbarCommand, 0);
    winBarRestore_ = new controls::CCoolButtonBar(this);
    winBarRestore_->setObjectName("windowButtonsRestore");
    winBarRestore_->SetUp(restoreButtons, controls::img::WinButtonsRestoreNormal, controls::img::WinButtonsRestoreHover,
                          controls::img::WinButtonsRestorePressed, controls::img::WinButtonsRestoreDisabled);
    winBarRestore_->SetTarget(WindowId(), platform::msg::ToolbarCommand, 0);
    winBarRestore_->hide();
}

void CGrimazeDlg::CreateWorkingWindow()
{
    work_ = new CImageProcessDlg(doc_, WindowId(), hooks_.pageFactory, this);
    notice_ = new CNoticeBar(this);
    connect(work_, &CImageProcessDlg::FilesDropped, this, &CGrimazeDlg::AddFiles);
    work_->SetPhotoSelector([this](std::vector<int> indices, bool append, std::function<void(bool)> then) {
        const std::string first = indices.empty() ? std::string() : doc_.PhotoAt(indices.front()).path;
        SelectPhotosThen(std::move(indices), append, [this, then, first](bool ok, const std::string& error) {
            // A photo whose file has gone is offered for removal by the strip; any other
            // failure (a damaged or unsupported file) is said here.
            if (!ok && !first.empty() && platform::FileExists(first))
                ShowMessage(this, controls::Phrase("The photo cannot be opened.") + "\n" + QString::fromStdString(error),
                            "Grimaze", MessageKind::Warning);
            then(ok);
        });
    });
}

void CGrimazeDlg::BindShortcuts()
{
    // Keyboard: the usual shortcuts of a desktop program. A key bound twice would make Qt
    // refuse both as ambiguous, so each key is bound once.
    auto taken = std::make_shared<QList<QKeySequence>>();
    auto shortcut = [this, taken](const QList<QKeySequence>& keys, std::function<void()> run) {
        for (const QKeySequence& k : keys) {
            if (k.isEmpty() || taken->contains(k)) continue;
            taken->append(k);
            auto* s = new QShortcut(k, this);
            s->setContext(Qt::WindowShortcut);
            connect(s, &QShortcut::activated, this, run);
        }
    };
    using KS = QKeySequence;
    shortcut(KS::keyBindings(KS::Open), [this] { Command(tool::AddImage); });
    shortcut({KS(Qt::CTRL | Qt::Key_E)}, [this] { Command(tool::Export); });
    shortcut(KS::keyBindings(KS::Undo), [this] { Undo(); });
    shortcut(KS::keyBindings(KS::Redo) << KS(Qt::CTRL | Qt::Key_Y), [this] { Redo(); });
    shortcut(KS::keyBindings(KS::ZoomIn) << KS(Qt::CTRL | Qt::Key_Equal), [this] { Command(tool::ZoomIn); });
    shortcut(KS::keyBindings(KS::ZoomOut), [this] { Command(tool::ZoomOut); });
    shortcut({KS(Qt::CTRL | Qt::Key_Q)}, [this] { close(); });
    shortcut({KS(Qt::CTRL | Qt::SHIFT | Qt::Key_C)}, [this] { CopyResult(); });
    shortcut({KS(Qt::CTRL | Qt::Key_0)}, [this] { work_->Preview()->ZoomToFit(); });
    shortcut({KS(Qt::CTRL | Qt::Key_1)}, [this] { work_->Preview()->ZoomToActualSize(); });
}

CGrimazeDlg::~CGrimazeDlg()
{
    if (rememberSession_) RememberSession();
    qApp->removeEventFilter(this);
    if (job_.joinable()) job_.join();
    work_->Shutdown();
    if (paneTemplate_) paneTemplate_->Release();
    paneTemplate_ = nullptr;
}

// --- Session ---------------------------------------------------------------------------------

void CGrimazeDlg::PlaceOnScreen(const QRect* stored)
{
    QScreen* screen = stored ? QGuiApplication::screenAt(stored->center()) : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) {
        resize(kDefaultWidth, kDefaultHeight);
        return;
    }
    const QRect a = screen->availableGeometry();
    const WindowRect available{a.x(), a.y(), a.width(), a.height()};
    const WindowLimits limits{kDefaultWidth, kDefaultHeight, kMinWidth, kMinHeight};
    int minW = 0, minH = 0;
    MinimumSizeOn(limits, available, minW, minH);
    setMinimumSize(minW, minH);
    WindowRect remembered;
    if (stored) remembered = {stored->x(), stored->y(), stored->width(), stored->height()};
    const WindowRect r = PlaceWindow(stored ? &remembered : nullptr, limits, available);
    setGeometry(r.x, r.y, r.width, r.height);
}

void CGrimazeDlg::ShowAsRemembered()
{
    rememberSession_ = true;
    const CSessionSettings& s = GrimazeSettings().session;
    if (s.HasWindowGeometry()) {
        const QRect stored(s.windowX, s.windowY, s.windowWidth, s.windowHeight);
        PlaceOnScreen(&stored);
        normalGeometry_ = geometry();
    }
    work_->SetControlPanelPreferred(s.controlPanel);
    work_->SelectCategoryByName(QString::fromStdString(s.category));
    show();
    if (s.windowMaximised) SetMaximised(true);
    ShowLibraryProblems();
}

void CGrimazeDlg::ShowLibraryProblems()
{
    // Once per run: the templates that could not be installed stay missing until the folder
    // is mended, and saying so at every window would only nag.
    if (libraryProblemsShown_ || !work_->Page()) return;
    libraryProblemsShown_ = true;
    QStringList lines;
    for (const std::string& problem : work_->Page()->LoadProblems()) lines << AsSentence(QString::fromStdString(problem));
    if (!lines.isEmpty()) notice_->ShowProblem(lines.join('\n'));
}

void CGrimazeDlg::RememberSession() const
{
    CSessionSettings& s = GrimazeSettings().session;
    const QRect g = maximised_ && normalGeometry_.isValid() ? normalGeometry_ : geometry();
    s.windowX = g.x();
    s.windowY = g.y();
    s.windowWidth = g.width();
    s.windowHeight = g.height();
    s.windowMaximised = maximised_;
    s.controlPanel = work_->ControlPanelPreferred();
    s.category = work_->CurrentCategoryName().toStdString();
    StoreChoicesInSession(exportChoices_, s);
    s.recentPhotos = recent_.Items();
}

// --- Menus ---------------------------------------------------------------------------------

void CGrimazeDlg::BuildMenus()
{
    // Menu 129: File and Edit, offered from the program icon in the caption.
    fileEditMenu_ = new QMenu(this);
    QMenu* file = fileEditMenu_->addMenu(QString());
    AddCommand(file, menu::OpenImages, this, [this] { MenuCommand(menu::OpenImages); });
    AddCommand(file, menu::ExportGif, this, [this] { MenuCommand(menu::ExportGif); });
    file->addSeparator();
    AddCommand(file, menu::Exit, this, [this] { MenuCommand(menu::Exit); });
    QMenu* edit = fileEditMenu_->addMenu(QString());
    // The keys are shown in the menu; the window's own shortcuts carry them out.
    QAction* undo = AddCommand(edit, menu::Undo, this, [this] { MenuCommand(menu::Undo); });
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WidgetShortcut);
    QAction* redo = AddCommand(edit, menu::Redo, this, [this] { MenuCommand(menu::Redo); });
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    redo->setShortcutContext(Qt::WidgetShortcut);

    // The third pop-up of menu 131: languages, help, update check, about.
    settingsMenu_ = new QMenu(this);
    settingsMenu_->setObjectName("settingsMenu");
    languageMenu_ = settingsMenu_->addMenu(QString());
    languageMenu_->setObjectName("languageMenu");
    settingsMenu_->addSeparator();
    QAction* help = AddCommand(settingsMenu_, menu::Help, this, [this] { MenuCommand(menu::Help); });
    help->setShortcut(Qt::Key_F1);
    help->setShortcutContext(Qt::WidgetShortcut);
    AddCommand(settingsMenu_, menu::CheckForUpdate, this, [this] { MenuCommand(menu::CheckForUpdate); });
    settingsMenu_->addSeparator();
    AddCommand(settingsMenu_, menu::About, this, [this] { MenuCommand(menu::About); });
    connect(settingsMenu_, &QMenu::aboutToShow, this, [this] { BuildLanguageMenu(); });
    BuildLanguageMenu();
}

void CGrimazeDlg::BuildMenuBar()
{
    // The usual menu bar, in the caption strip beside the program icon. The keys are shown in
    // the menus; the window's own shortcuts carry them out.
    menuBar_ = new QMenuBar(this);
    menuBar_->setObjectName("menuBar");
    menuBar_->setNativeMenuBar(false);
    menuBar_->setStyleSheet(QString("QMenuBar { background: transparent; color: %1; }"
                                    " QMenuBar::item { padding: 2px 9px; background: transparent; }"
                                    " QMenuBar::item:selected { background: rgba(255, 255, 255, 40); }")
                                .arg(controls::theme::kChromeText.name()));
    auto item = [this](QMenu* menu, const QString& objectName, const QKeySequence& keys, std::function<void()> run) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(objectName);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WidgetShortcut);  // shown only: the window's shortcut acts
        connect(a, &QAction::triggered, this, std::move(run));
        return a;
    };
    QMenu* file = menuBar_->addMenu(QString());
    file->setObjectName("fileMenu");
    item(file, "openAction", QKeySequence::Open, [this] { Command(tool::AddImage); })->setData(menu::OpenImages);
    recentMenu_ = file->addMenu(QString());
    recentMenu_->setObjectName("recentMenu");
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] { BuildRecentMenu(); });
    file->addSeparator();
    item(file, "exportImageAction", QKeySequence(Qt::CTRL | Qt::Key_E), [this] { Command(tool::Export); });
    item(file, "exportSelectedAction", QKeySequence(), [this] { ExportSelected(); });
    item(file, "exportGifAction", QKeySequence(), [this] { MenuCommand(menu::ExportGif); })->setData(menu::ExportGif);
    file->addSeparator();
    item(file, "quitAction", QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); })->setData(menu::Exit);
    QMenu* edit = menuBar_->addMenu(QString());
    edit->setObjectName("editMenu");
    item(edit, "undoAction", QKeySequence::Undo, [this] { Undo(); })->setData(menu::Undo);
    item(edit, "redoAction", QKeySequence::Redo, [this] { Redo(); })->setData(menu::Redo);
    edit->addSeparator();
    item(edit, "copyResultAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { CopyResult(); });
    QMenu* view = menuBar_->addMenu(QString());
    view->setObjectName("viewMenu");
    item(view, "zoomInAction", QKeySequence::ZoomIn, [this] { Command(tool::ZoomIn); });
    item(view, "zoomOutAction", QKeySequence::ZoomOut, [this] { Command(tool::ZoomOut); });
    item(view, "fitAction", QKeySequence(Qt::CTRL | Qt::Key_0), [this] { work_->Preview()->ZoomToFit(); });
    item(view, "actualSizeAction", QKeySequence(Qt::CTRL | Qt::Key_1), [this] { work_->Preview()->ZoomToActualSize(); });
    BuildRecentMenu();
}

void CGrimazeDlg::BuildRecentMenu()
{
    recentMenu_->clear();
    for (const std::string& path : recent_.Items()) {
        QAction* a = recentMenu_->addAction(QString::fromStdString(platform::FileName(path)));
        a->setToolTip(QString::fromStdString(path));
        a->setData(QString::fromStdString(path));
        connect(a, &QAction::triggered, this, [this, path] { OpenRecent(path); });
    }
    if (!recent_.Items().empty()) recentMenu_->addSeparator();
    QAction* clear = recentMenu_->addAction(controls::Phrase("Clear List"));
    clear->setObjectName("clearRecentAction");
    clear->setEnabled(!recent_.Items().empty());
    connect(clear, &QAction::triggered, this, [this] {
        recent_.Clear();
        BuildRecentMenu();
    });
}

void CGrimazeDlg::OpenRecent(const std::string& path)
{
    if (!platform::FileExists(path)) {
        recent_.Remove(path);
        BuildRecentMenu();
        ShowMessage(this, controls::Phrase("The photo cannot be opened.") + "\n" + QString::fromStdString(path), "Grimaze",
                    MessageKind::Warning);
        return;
    }
    AddFiles({QString::fromStdString(path)});
}

void CGrimazeDlg::ExportSelected()
{
    if (jobRunning_ || batchDialog_) return;
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t) {
        notice_->Show(controls::Phrase("Choose a template first."));
        return;
    }
    std::vector<std::string> photos;
    for (int i : doc_.SelectionIndices())
        if (const std::string p = doc_.PhotoAt(i).path; !p.empty()) photos.push_back(p);
    if (photos.empty()) return;
    const QString last = QString::fromStdString(platform::ParentFolder(defaultOutput_.toStdString()));
    CBatchExportDlg dialog(JobForTemplate(*t), photos, last.isEmpty() ? outputFolder_ : last, exportChoices_, this);
    batchDialog_ = &dialog;
    dialog.exec();
    batchDialog_ = nullptr;
}

void CGrimazeDlg::CopyResult()
{
    if (jobRunning_ || pendingExport_) return;
    if (doc_.ShownResult().empty()) {
        notice_->Show(controls::Phrase("There is no result to copy."));
        return;
    }
    auto copy = [this](const cv::Mat& result) {
        QGuiApplication::clipboard()->setImage(ToQImage(result));
        notice_->Show(controls::Phrase("The result was copied to the clipboard."));
    };
    // A result of the history is full size already; the template's is rendered at full size
    // first, as an export renders it, rather than the preview's smaller picture copied.
    if (!doc_.CurrentTemplate()) copy(doc_.ShownResult());
    else PrepareFullResult([this, copy] { copy(fullResult_); });
}

void CGrimazeDlg::BuildLanguageMenu()
{
    CGrimazeSettings& settings = GrimazeSettings();
    languages_.Build(i18n::Languages(), settings.language, settings.languageAuto);
    languageMenu_->clear();
    auto* group = new QActionGroup(languageMenu_);
    QAction* autoItem = AddCommand(languageMenu_, menu::LanguageAuto, this, [this] { MenuCommand(menu::LanguageAuto); });
    autoItem->setCheckable(true);
    group->addAction(autoItem);
    languageMenu_->addSeparator();
    const int checked = languages_.CheckedCommand(settings.languageAuto);
    autoItem->setChecked(checked == menu::LanguageAuto);
    for (const i18n::LanguageEntry& e : languages_.Entries()) {
        const int command = e.command;
        QAction* a = languageMenu_->addAction(QString::fromStdString(e.displayName));
        a->setCheckable(true);
        a->setChecked(command == checked);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, command] { MenuCommand(command); });
    }
    TranslateMenu(languageMenu_);
    languageMenu_->setTitle(controls::Phrase("Language"));
}

void CGrimazeDlg::MenuCommand(int command)
{
    if (jobRunning_) return;
    switch (command) {
    case menu::OpenImages: Command(tool::AddImage); return;
    case menu::ExportGif: ExportGifFromMenu(); return;
    case menu::Exit: close(); return;
    case menu::Undo: Undo(); return;
    case menu::Redo: Redo(); return;
    case menu::Help: ShowHelp(); return;
    case menu::About: ShowAbout(); return;
    case menu::CheckForUpdate:
        if (hooks_.checkForUpdate) hooks_.checkForUpdate(this);
        return;
    default: break;
    }
    if (command == menu::LanguageAuto || (command >= menu::FirstLanguage && command < menu::FirstLanguage + 256)) {
        CGrimazeSettings& settings = GrimazeSettings();
        const auto action = languages_.OnCommand(command, i18n::Languages(), settings.language, settings.languageAuto);
        if (action != i18n::LanguageMenu::Action::None) platform::Send(WindowId(), platform::msg::LanguageChanged, 0, 0);
    }
}

// --- Tool bar --------------------------------------------------------------------------------

void CGrimazeDlg::RebuildToolBar()
{
    std::vector<controls::ToolItem> items;
    auto button = [&](int command, int icon, int text, int tip, bool enabled = true) {
        controls::ToolItem it;
        it.command = command;
        it.icon = icon;
        it.text = S(text);
        it.tooltip = S(tip);
        it.enabled = enabled;
        items.push_back(it);
    };
    button(tool::AddImage, controls::img::IconAddImage, str::AddImage, str::AddImageTooltip);
    button(tool::Export, controls::img::IconExport, str::Export, str::ExportTooltip, exportEnabled_);
    AddLiveCameraButtons(items, live_);
    controls::ToolItem sep;
    sep.separatorWidth = 27;
    items.push_back(sep);
    button(tool::ZoomIn, controls::img::IconZoomIn, str::ZoomIn, str::ZoomInTooltip);
    button(tool::ZoomOut, controls::img::IconZoomOut, str::ZoomOut, str::ZoomOutTooltip);
    if (originalMode_) {
        button(tool::RotateLeft, controls::img::IconRotateLeft, str::RotateLeft, str::RotateLeftTooltip);
        button(tool::RotateRight, controls::img::IconRotateRight, str::RotateRight, str::RotateRightTooltip);
    }
    for (size_t i = 0; i < extraButtons_.size(); ++i) {
        const ToolButton b = extraButtons_[i];
        controls::ToolItem it;
        it.command = tool::TemplateButtonBase + static_cast<int>(i);
        // The picture may be a skin number or a name; the texts may be string-table entries,
        // given as numbers or as their English text, or free phrases.
        bool isNumber = false;
        const int picture = QString::fromStdString(b.image).toInt(&isNumber);
        it.icon = isNumber && !controls::Skin::LogicalSize(picture).isEmpty() ? picture
                                                                          : controls::Skin::IconForName(QString::fromStdString(b.text));
        it.text = TemplateText(b.text);
        it.tooltip = TemplateText(b.tooltip);
        it.onPress = [this, b] { ToolButtonPressed(b); };
        items.push_back(it);
    }
    if (panelButton_ && !originalMode_) {
        const bool shown = work_->ControlPanelVisible();
        controls::ToolItem it;
        it.command = tool::ControlPanel;
        it.icon = controls::img::IconPanel;
        it.text = S(shown ? str::HideControlPanel : str::ShowControlPanel);
        it.tooltip = S(shown ? str::HideControlPanelTooltip : str::ShowControlPanelTooltip);
        it.checked = shown;
        it.alignRight = true;
        items.push_back(it);
    }
    toolBar_->SetItems(std::move(items));
}

void CGrimazeDlg::ToolButtonPressed(const ToolButton& b)
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t || jobRunning_) return;
    CPhotoEditPreviewWnd* preview = work_->Preview();
    t->ParamCommand(b.command, preview->WindowId(), 0, nullptr);
    if (t == editsOf_) edits_.Changed(CaptureSettings(*t));
    work_->OperationPanel()->ForwardToPane(platform::msg::FaceSearchStarted, b.command, 0);
    doc_.Render();
    platform::Send(preview->WindowId(), doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0, 0);
}

void CGrimazeDlg::Command(int index)
{
    if (jobRunning_ && index != tool::Minimize && index != tool::Close) return;
    CPhotoEditPreviewWnd* preview = work_->Preview();
    switch (index) {
    case tool::AddImage: AddImagesDialog(); break;
    case tool::Export: Export(); break;
    case tool::ZoomIn:
    case tool::ZoomOut:
        if (originalMode_)
            platform::Send(work_->OriginalView()->WindowId(), platform::msg::OriginalViewCommand,
                           index == tool::ZoomIn ? 2 : 3, 0);
        else
            preview->ZoomStep(index == tool::ZoomIn ? 1 : -1);
        break;
    case tool::RotateLeft:
    case tool::RotateRight:
        if (originalMode_)
            platform::Send(work_->OriginalView()->WindowId(), platform::msg::OriginalViewCommand,
                           index == tool::RotateLeft ? 4 : 5, 0);
        break;
    case tool::Camera:
    case tool::TakePhoto:
    case tool::Burst:
        if (live_) LiveCameraCommand(*live_, index);
        break;
    case tool::ControlPanel:
        // The user's choice also holds for the templates picked later.
        work_->SetControlPanelPreferred(!work_->ControlPanelVisible());
        work_->SetControlPanelVisible(!work_->ControlPanelVisible());
        RebuildToolBar();
        break;
    case tool::Settings: {
        const QRect r(winBar_->mapToGlobal(QPoint(0, winBar_->height() + 4)), QSize(1, 1));
        settingsMenu_->popup(r.topLeft());
        break;
    }
    case tool::Minimize: showMinimized(); break;
    case tool::Maximize: SetMaximised(true); break;
    case tool::Restore: SetMaximised(false); break;
    case tool::Close: close(); break;
    default: break;
    }
}

// --- Notifications ------------------------------------------------------------------------

std::intptr_t CGrimazeDlg::OnNotify(int code, std::intptr_t a, std::intptr_t b)
{
    switch (code) {
    case platform::msg::ToolbarCommand: Command(static_cast<int>(a)); return 1;
    case platform::msg::ReselectTemplate: ReselectTemplate(static_cast<int>(a)); return 1;
    case platform::msg::TemplateChanged: ShowPanes(reinterpret_cast<CEffectTemplate*>(a)); return 1;
    case platform::msg::ToolbarButtonUpdate: RebuildToolBar(); return 1;
    case platform::msg::ToolbarState: ToolbarStateChanged(a, b); return 1;
    case platform::msg::ModeRequest:
        work_->SetMode(a ? CImageProcessDlg::Mode::Original : CImageProcessDlg::Mode::Template);
        originalMode_ = a != 0;
        RebuildToolBar();
        return 1;
    case platform::msg::ShowControlPanel:
        work_->SetControlPanelVisible(a != 0);
        RebuildToolBar();
        return 1;
    case platform::msg::MainResultReady: MainResultReady(a, b); return 1;
    case platform::msg::NoFaceFound: NoFaceFound(); return 1;
    case platform::msg::NewerVersion:
        if (ShowMessage(this, S(str::UpgradeQuestion), S(str::NewVersionDetected), MessageKind::Question,
                        QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
            hooks_.openDownloadPage)
            hooks_.openDownloadPage();
        return 1;
    case platform::msg::OpenAddImages: AddImagesDialog(); return 1;
    case platform::msg::HideWizard: work_->ShowWizard(false); return 1;
    case platform::msg::LanguageChanged: Retranslate(); return 1;
    case kJobDone: JobDone(); return 1;
    case shellmsg::HistoryShown: ShowHistoryStep(); return 1;
    default: return 0;
    }
}

void CGrimazeDlg::ReselectTemplate(int flags)
{
    // Re-selecting switches to template mode (the page asks for it), which would throw the
    // user out of the original image while picking, turning or cropping photos there: the
    // template follows when the user goes back to it.
    if (work_->CurrentMode() == CImageProcessDlg::Mode::Original) {
        pendingReselect_ |= flags;
        return;
    }
    flags |= std::exchange(pendingReselect_, 0);
    if (CTemplatePageBase* page = work_->Page()) page->ReselectCurrent(flags & 1, flags & 2, flags & 4);
}

void CGrimazeDlg::ToolbarStateChanged(std::intptr_t a, std::intptr_t b)
{
    // Every change of template or mode makes the next export render afresh.
    fullPrepared_ = false;
    switch (b & 0xFFFF) {
    case 1: originalMode_ = a != 0; break;
    case 2: panelButton_ = a != 0; break;
    case 0: {
        CTemplatePageBase* page = work_ ? work_->Page() : nullptr;
        extraButtons_ = page ? page->ToolButtons() : std::vector<ToolButton>();
        exportEnabled_ = ((b >> 16) & 0xFFFF) != 0 || doc_.CurrentTemplate() != nullptr;
        break;
    }
    default: break;
    }
    RebuildToolBar();
}

void CGrimazeDlg::MainResultReady(std::intptr_t a, std::intptr_t b)
{
    // What the rendering itself found (a face and its features) belongs to the current
    // step, not to the next edit.
    if (CEffectTemplate* t = doc_.CurrentTemplate(); t && t == editsOf_ && !doc_.IsRendering())
        edits_.Settle(CaptureSettings(*t));
    // A pane may show something of the result (the face found).
    work_->OperationPanel()->ForwardToPane(platform::msg::ResultReady, a, b);
    if (pendingExport_ && !doc_.IsRendering() && !doc_.ShownResult().empty()) {
        pendingExport_ = false;
        fullResult_ = doc_.ShownResult();
        work_->PhotoList()->Refresh();
        AfterFullResult();
    }
}

void CGrimazeDlg::NoFaceFound()
{
    ShowMessage(this, S(str::NoFaceDetected), "Grimaze", MessageKind::Information);
    if (work_->CurrentMode() != CImageProcessDlg::Mode::Original) {
        work_->SetMode(CImageProcessDlg::Mode::Original);
        originalMode_ = true;
        RebuildToolBar();
    }
}

void CGrimazeDlg::OnTimer(int) {}

void CGrimazeDlg::ShowPanes(CEffectTemplate* t)
{
    // A template that is no longer current stops its timer (3D turn, expression animation):
    // its ticks would render whatever template is current now. We hold a reference on the
    // template whose panes are shown so that it is still there to be told.
    if (editsOf_ != t) {
        editsOf_ = t;
        edits_.Reset(t ? CaptureSettings(*t) : std::string());
    }
    if (paneTemplate_ != t) {
        if (paneTemplate_) {
            paneTemplate_->ParamCommand(kStopAnimation, work_->Preview()->WindowId(), 0, nullptr);
            paneTemplate_->Release();
        }
        paneTemplate_ = t;
        if (paneTemplate_) paneTemplate_->AddRef();
    }
    COperationPanel* panel = work_->OperationPanel();
    if (!t) {
        panel->SetPane(nullptr);
        work_->OriginalPaneContainer()->SetPane(nullptr);
        work_->SetControlPanelVisible(false);
        panelButton_ = false;
        RebuildToolBar();
        return;
    }
    COptionPanel* pane = t->CreatePane(1);
    panel->SetPane(pane);
    panelButton_ = panel->Pane() != nullptr;
    work_->SetControlPanelVisible(panelButton_ && work_->ControlPanelPreferred());
    work_->OriginalPaneContainer()->SetPane(t->CreatePane(3));
    RebuildToolBar();
}

// --- Export ------------------------------------------------------------------------------------

void CGrimazeDlg::Export()
{
    if (jobRunning_ || pendingExport_) return;
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t) {
        // A result from the history (after undo) is already full size: save it as it is.
        if (!doc_.ShownResult().empty() && doc_.HistorySize() > 0) OpenExportDialog();
        return;
    }
    PrepareFullResult([this] { OpenExportDialog(); });
}

void CGrimazeDlg::AfterFullResult()
{
    std::function<void()> then = std::move(afterFull_);
    afterFull_ = nullptr;
    if (then) then();
}

void CGrimazeDlg::PrepareFullResult(std::function<void()> then)
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    t->ParamCommand(kStopAnimation, work_->Preview()->WindowId(), 0, nullptr);
    // Two exports in a row render once; a slider moved in between makes a new preview, and
    // the full-size result is rendered again rather than an outdated one saved.
    if (fullPrepared_ && !doc_.ShownResult().empty() && doc_.ShownResult().data == fullResult_.data) {
        then();
        return;
    }
    afterFull_ = std::move(then);
    if (t->IsDeferred()) {
        // Renders on the engine's own thread; the dialog opens when its result arrives (1924).
        pendingExport_ = true;
        doc_.RenderFull();
        fullPrepared_ = true;
        platform::Send(work_->Preview()->WindowId(), doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady,
                       0, 0);
        return;
    }
    StartFullRender();
}

void CGrimazeDlg::RunInBackground(std::function<void()> work, std::function<void()> then)
{
    if (jobRunning_) return;
    // The window keeps painting (the spinner turns) but takes no input meanwhile: the work
    // uses the photo document, which the window's controls would otherwise change under it.
    jobRunning_ = true;
    jobThen_ = std::move(then);
    work_->Preview()->HoldBusy(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    const platform::WindowId me = WindowId();
    job_ = std::thread([work = std::move(work), me] {
        work();
        platform::Post(me, kJobDone, 0, 0);
    });
}

void CGrimazeDlg::JobDone()
{
    if (job_.joinable()) job_.join();
    jobRunning_ = false;
    QApplication::restoreOverrideCursor();
    work_->Preview()->HoldBusy(false);
    if (auto then = std::exchange(jobThen_, nullptr)) then();
}

void CGrimazeDlg::StartFullRender()
{
    // A full-size rendering can take a while.
    RunInBackground([this] { doc_.RenderFull(); }, [this] { FullRenderDone(); });
}

void CGrimazeDlg::FullRenderDone()
{
    if (doc_.IsRendering()) {  // the template turned out to be a background one after all
        pendingExport_ = true;
        return;
    }
    fullPrepared_ = true;
    fullResult_ = doc_.ShownResult();
    work_->PhotoList()->Refresh();
    platform::Send(work_->Preview()->WindowId(), platform::msg::ResultReady, 0, 0);
    AfterFullResult();
}

void CGrimazeDlg::OpenExportDialog()
{
    if (exportOpen_) return;
    exportOpen_ = true;
    CDlgExport dialog(doc_, defaultOutput_, this, exportChoices_);
    exportDialog_ = &dialog;
    const bool saved = dialog.exec() == QDialog::Accepted;
    exportDialog_ = nullptr;
    defaultOutput_ = dialog.OutputPath();
    exportChoices_ = dialog.Choices();
    if (saved && !dialog.LastSaved().isEmpty()) {
        const std::string file = dialog.LastSaved().toStdString();
        notice_->Show(controls::Phrase("Saved %1").arg(QString::fromStdString(platform::FileName(file))),
                      QString::fromStdString(platform::ParentFolder(file)));
    }
    exportOpen_ = false;
    if (!defaultOutput_.isEmpty()) {
        const QFileInfo out(defaultOutput_);
        CSessionSettings& session = GrimazeSettings().session;
        session.exportFolder = out.absolutePath().toStdString();
        StoreChoicesInSession(exportChoices_, session);
    }
    work_->PhotoList()->Refresh();
}

void CGrimazeDlg::ExportGifFromMenu()
{
    doc_.StopRendering();
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t || !t->IsExpression()) {
        ShowMessage(this, S(str::NoGifTemplate), "Grimaze", MessageKind::Warning);
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, S(str::Export), outputFolder_ + "/Untitled.gif",
                                                controls::Phrase("Graphic Interchange Format") + " (*.gif);;" +
                                                    controls::Phrase("All Files") + " (*)");
    if (path.isEmpty()) return;
    std::string target = path.toStdString();
    std::string error;
    // The file dialog has asked about replacing the file already.
    const CSessionSettings& session = GrimazeSettings().session;
    const bool chosen = exportChoices_.gifWidth > 0 && exportChoices_.gifHeight > 0;
    if (SaveGifFile(target, *t, chosen ? exportChoices_.gifWidth : session.gifMaxWidth,
                    chosen ? exportChoices_.gifHeight : session.gifMaxHeight, [](const std::string&) { return true; },
                    &error) != SaveOutcome::Saved)
        ShowMessage(this, S(str::GifFailed) + "\n" + QString::fromStdString(error), controls::Phrase("Failed"),
                    MessageKind::Error);
}

// --- Photos ---------------------------------------------------------------------------------

void CGrimazeDlg::AddImagesDialog()
{
    if (jobRunning_) return;
    const QString filter = PictureFileFilter(false);
    CSessionSettings& session = GrimazeSettings().session;
    QString start = QString::fromStdString(session.openFolder);
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = QString::fromStdString(platform::PicturesFolder());
    const QStringList files = QFileDialog::getOpenFileNames(this, S(str::AddImage), start, filter);
    if (files.isEmpty()) return;
    session.openFolder = QFileInfo(files.front()).absolutePath().toStdString();
    AddFiles(files);
}

static QString FailedPhotosMessage(const std::vector<std::pair<std::string, std::string>>& failed)
{
    QString text = failed.size() == 1 ? controls::Phrase("This photo could not be opened:")
                                     : controls::Phrase("These photos could not be opened:");
    for (const auto& [path, why] : failed)
        text += "\n" + QFileInfo(QString::fromStdString(path)).fileName() + ": " + AsSentence(QString::fromStdString(why));
    return text;
}

void CGrimazeDlg::AddFiles(const QStringList& files)
{
    if (files.isEmpty() || jobRunning_) return;
    // Every new photo is opened before it joins the strip: one that cannot be read never
    // becomes an entry, and the photo shown so far stays shown.
    struct Candidate {
        std::string path;
        bool known = false;  // already in the strip: it only moves to the front
        bool ok = false;
        std::string error;
        PhotoRecord record;
    };
    auto candidates = std::make_shared<std::vector<Candidate>>();
    bool large = false;
    for (const QString& f : files) {
        Candidate c;
        c.path = platform::NormalizePath(QFileInfo(f).absoluteFilePath().toStdString());
        for (int i = 0; i < doc_.PhotoCount() && !c.known; ++i) c.known = doc_.PhotoAt(i).path == c.path;
        int w = 0, h = 0;
        large |= !c.known && ReadImageSize(c.path, w, h) && static_cast<long long>(w) * h > kBackgroundDecodePixels;
        candidates->push_back(std::move(c));
    }
    auto open = [candidates] {
        for (size_t i = 0; i < candidates->size(); ++i) {
            Candidate& c = (*candidates)[i];
            if (c.known) continue;
            c.record.path = c.path;
            c.ok = PreparePhoto(c.record, &c.error);
            if (c.error.empty() && !c.ok) c.error = "The photo cannot be opened.";
            // Only the photo that will be shown keeps its pixels; the others are read again
            // when they are picked, rather than all held at once.
            if (i + 1 != candidates->size()) c.record.DropImages();
        }
    };
    auto add = [this, candidates] {
        std::vector<std::pair<std::string, std::string>> failed;
        bool any = false;
        for (Candidate& c : *candidates) {
            if (c.known || c.ok) recent_.Add(c.path);
            if (c.known) {
                for (int i = 0; i < doc_.PhotoCount(); ++i)
                    if (doc_.PhotoAt(i).path == c.path) {
                        doc_.MovePhoto(i, 0);
                        break;
                    }
                any = true;
            } else if (c.ok) {
                doc_.InsertPhoto(0, std::move(c.record));
                any = true;
            } else {
                failed.emplace_back(c.path, c.error);
            }
        }
        if (!failed.empty()) ShowMessage(this, FailedPhotosMessage(failed), "Grimaze", MessageKind::Warning);
        if (any) ShowAddedPhoto();
        else work_->PhotoList()->Refresh();
    };
    if (large) RunInBackground(open, add);
    else {
        open();
        add();
    }
}

void CGrimazeDlg::ShowAddedPhoto()
{
    work_->ShowWizard(false);
    // The photo the user just added is the one they want to see the templates on.
    doc_.SetCurrentIndex(0);
    SelectPhotoThen(0, false, [this](bool ok, const std::string& error) {
        if (!ok)
            ShowMessage(this, QString::fromStdString(error.empty() ? "The photo cannot be opened." : error), "Grimaze",
                        MessageKind::Warning);
        work_->PhotoList()->RefreshSelection();
        work_->PhotoList()->Logic().SetOffset(0);
        if (CTemplatePageBase* page = work_->Page()) page->ReselectCurrent(false, true, true);
        work_->PhotoList()->StartThumbnails();
        platform::Post(work_->OriginalView()->WindowId(), platform::msg::ResultReady, 0, 0);
    });
}

void CGrimazeDlg::SelectPhotoThen(int index, bool append, std::function<void(bool, const std::string&)> then)
{
    SelectPhotosThen({index}, append, std::move(then));
}

void CGrimazeDlg::SelectPhotosThen(std::vector<int> indices, bool append,
                                   std::function<void(bool, const std::string&)> then)
{
    // Decoding a large photo takes a noticeable moment: it happens on a worker then.
    bool large = false;
    for (int index : indices) {
        const PhotoRecord r = doc_.PhotoAt(index);
        int w = 0, h = 0;
        large |= r.image.empty() && !r.path.empty() && ReadImageSize(r.path, w, h) &&
                 static_cast<long long>(w) * h > kBackgroundDecodePixels;
    }
    auto error = std::make_shared<std::string>();
    auto ok = std::make_shared<bool>(!indices.empty());
    auto select = [this, indices, append, error, ok] {
        for (size_t i = 0; i < indices.size(); ++i) {
            const bool add = append || i > 0;
            *ok &= add ? doc_.AddToSelection(indices[i], error.get()) : doc_.SelectPhoto(indices[i], error.get());
        }
    };
    if (!large || jobRunning_) {
        select();
        then(*ok, *error);
        return;
    }
    RunInBackground(select, [then, ok, error] { then(*ok, *error); });
}

bool CGrimazeDlg::UndoEdit()
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t || t != editsOf_ || !edits_.CanUndo()) return false;
    ApplyEdit(edits_.Undo());
    return true;
}

bool CGrimazeDlg::RedoEdit()
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t || t != editsOf_ || !edits_.CanRedo()) return false;
    ApplyEdit(edits_.Redo());
    return true;
}

void CGrimazeDlg::ApplyEdit(const std::string& settings)
{
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!t || !RestoreSettings(*t, settings)) return;
    fullPrepared_ = false;
    // A fresh pane shows the values as they are now.
    ShowPanes(t);
    doc_.Render();
    platform::Send(work_->Preview()->WindowId(), doc_.IsRendering() ? platform::msg::Busy : platform::msg::ResultReady, 0, 0);
}

void CGrimazeDlg::TrackEdits(QObject* watched, QEvent* event)
{
    auto* w = qobject_cast<QWidget*>(watched);
    CEffectTemplate* t = doc_.CurrentTemplate();
    if (!w || !t || t != editsOf_) return;
    QWidget* pane = work_->OperationPanel();
    QWidget* preview = work_->Preview();
    if (w != pane && w != preview && !pane->isAncestorOf(w) && !preview->isAncestorOf(w)) return;
    // Look after the input has been handled: by then the template holds the new values.
    auto settle = [this](bool endsGesture) {
        QTimer::singleShot(0, this, [this, endsGesture] {
            CEffectTemplate* now = doc_.CurrentTemplate();
            if (!now || now != editsOf_) return;
            if (endsGesture) edits_.EndGesture(CaptureSettings(*now));
            else edits_.Changed(CaptureSettings(*now));
        });
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) edits_.BeginGesture();
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) settle(true);
        break;
    case QEvent::KeyRelease:
    case QEvent::Wheel: settle(false); break;
    default: break;
    }
}

void CGrimazeDlg::Undo()
{
    if (jobRunning_) return;
    if (UndoEdit()) return;
    doc_.StepHistory(-1);
    ShowHistoryStep();
}

void CGrimazeDlg::Redo()
{
    if (jobRunning_) return;
    if (RedoEdit()) return;
    doc_.StepHistory(1);
    ShowHistoryStep();
}

void CGrimazeDlg::ShowHistoryStep()
{
    // The document has let its template go for a result of the history: nothing in the
    // window may still offer that template (its highlight, its pane, its tool buttons), and
    // nothing may re-apply it when the photos change.
    if (CTemplatePageBase* page = work_->Page()) page->Deselect();
    ShowPanes(nullptr);
    extraButtons_.clear();
    fullPrepared_ = false;
    work_->PhotoList()->FollowHistory();
    exportEnabled_ = !doc_.ShownResult().empty();
    if (work_->CurrentMode() == CImageProcessDlg::Mode::Original) {
        work_->SetMode(CImageProcessDlg::Mode::Template);
        originalMode_ = false;
    }
    RebuildToolBar();
    platform::Send(work_->Preview()->WindowId(), platform::msg::ResultReady, 0, 0);
}

// --- Quit, help, about --------------------------------------------------------------------

void CGrimazeDlg::AskToQuit()
{
    if (exportOpen_) return;
    if (ShowMessage(this, S(str::QuitQuestion), controls::Phrase("Exit"), MessageKind::Question,
                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        close();
}

void CGrimazeDlg::ShowHelp()
{
    const QString file = QString::fromStdString(i18n::Languages().HelpFile());
    if (file.isEmpty() || !QFileInfo::exists(file)) {
        ShowMessage(this, controls::Phrase("The help pages are not installed."), "Grimaze", MessageKind::Warning);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void CGrimazeDlg::ShowAbout()
{
    CAboutDlg about(this);
    about.exec();
}

bool CGrimazeDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (jobRunning_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Drop: {
            auto* w = qobject_cast<QWidget*>(watched);
            if (w && w->window() == this) return true;
            break;
        }
        default: break;
        }
    }
    TrackEdits(watched, event);
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        QWidget* target = qobject_cast<QWidget*>(watched);
        const bool ours = target && target->window() == this;
        if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_F1) {
            ShowHelp();
            return true;
        }
        if (ours && event->type() == QEvent::KeyPress && key->key() == Qt::Key_Escape && !key->isAutoRepeat()) {
            // A menu or dialog that is open takes Escape for itself: only it closes. With
            // nothing open, Escape in the window asks whether to quit.
            if (QWidget* popup = QApplication::activePopupWidget()) {
                popup->close();
                return true;
            }
            if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this) return false;
            AskToQuit();
            return true;
        }
        // Holding backslash shows the photo without the effect.
        if (ours && key->key() == Qt::Key_Backslash && !key->isAutoRepeat()) {
            work_->Preview()->SetShowOriginal(event->type() == QEvent::KeyPress);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CGrimazeDlg::closeEvent(QCloseEvent* e)
{
    if (jobRunning_) {
        e->ignore();
        return;
    }
    e->accept();
}

// --- Language ---------------------------------------------------------------------------------

void CGrimazeDlg::Retranslate()
{
    controls::Skin::Reload();
    setWindowTitle(controls::Text().DialogText(i18n::ui::dlg::MainWindow, 0).isEmpty()
                       ? QString("Grimaze")
                       : controls::Text().DialogText(i18n::ui::dlg::MainWindow, 0));
    TranslateMenu(fileEditMenu_, true);
    TranslateMenu(settingsMenu_);
    {
        const QList<QAction*> menus = menuBar_->actions();
        // "File" and "Edit" are the language file's items 1 and 2, as on the icon's menu.
        // Without a language file the built-in English words stand.
        const QString fileText = fileEditMenu_->actions().value(0)->text();
        const QString editText = fileEditMenu_->actions().value(1)->text();
        menus[0]->setText(fileText.isEmpty() ? QStringLiteral("File") : fileText);
        menus[1]->setText(editText.isEmpty() ? QStringLiteral("Edit") : editText);
        menus[2]->setText(controls::Phrase("View"));
        TranslateMenu(menus[0]->menu());
        TranslateMenu(menus[1]->menu());
        recentMenu_->setTitle(controls::Phrase("Recent Photos"));
        auto named = [this](const char* name) { return menuBar_->findChild<QAction*>(name); };
        named("exportImageAction")->setText(controls::Phrase("Export Image..."));
        named("exportSelectedAction")->setText(controls::Phrase("Export Selected..."));
        named("copyResultAction")->setText(controls::Phrase("Copy Result"));
        named("zoomInAction")->setText(S(str::ZoomIn));
        named("zoomOutAction")->setText(S(str::ZoomOut));
        named("fitAction")->setText(controls::Phrase("Fit to Window"));
        named("actualSizeAction")->setText(controls::Phrase("Actual Size (100%)"));
        BuildRecentMenu();
    }
    LayOut();  // the menu bar's width follows its words
    BuildLanguageMenu();
    winBar_->Reload();
    winBarRestore_->Reload();
    RebuildToolBar();
    if (work_) work_->Retranslate();
    if (exportDialog_) exportDialog_->Retranslate();
    notice_->Retranslate();
    update();
}

// --- Frame --------------------------------------------------------------------------------------

void CGrimazeDlg::LayOut()
{
    if (!layoutReady_) return;
    const int w = width(), h = height();
    toolBar_->setGeometry(8, 25, w - 4 - 8, 69 - 25);
    menuBar_->setGeometry(28, 0, std::min(menuBar_->sizeHint().width(), std::max(0, w - 28 - 90)), 22);
    winBar_->setGeometry(w - 76, 5, 66, 13);
    winBarRestore_->setGeometry(w - 76, 5, 66, 13);
    work_->setGeometry(4, 72, w - 8, h - 76);
    if (notice_->isVisible()) notice_->Place();
    UpdateMask();
}

void CGrimazeDlg::UpdateMask()
{
    // Platforms without window shapes (the offscreen one of the tests) only warn about masks.
    static const bool shaped = QGuiApplication::platformName() != "offscreen" && QGuiApplication::platformName() != "minimal";
    if (!shaped) return;
    if (maximised_ || isFullScreen()) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 5, 5);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void CGrimazeDlg::resizeEvent(QResizeEvent*) { LayOut(); }

void CGrimazeDlg::SetMaximised(bool on)
{
    if (on) {
        normalGeometry_ = geometry();
        showMaximized();
        // Without a window manager nobody answers the request: take the screen ourselves.
        QTimer::singleShot(250, this, [this] {
            QScreen* s = screen();
            if (maximised_ && s && geometry() != s->availableGeometry())
                setGeometry(s->availableGeometry());
        });
    } else {
        showNormal();
        if (normalGeometry_.isValid() && geometry() != normalGeometry_) setGeometry(normalGeometry_);
    }
    maximised_ = on;
    winBar_->setVisible(!on);
    winBarRestore_->setVisible(on);
    UpdateMask();
}

void CGrimazeDlg::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::WindowStateChange) {
        const bool max = windowState() & Qt::WindowMaximized;
        if (max != maximised_) {
            maximised_ = max;
            winBar_->setVisible(!max);
            winBarRestore_->setVisible(max);
        }
        UpdateMask();
    }
    QWidget::changeEvent(e);
}

void CGrimazeDlg::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), controls::theme::kWindow);
    const QPixmap bar = controls::Skin::Image(controls::img::ToolBarBackground);
    p.drawPixmap(QRect(0, 0, width(), 72), bar);
    p.drawPixmap(QRect(0, 0, width(), 22), controls::Skin::Image(controls::img::CaptionBackground));
    p.drawPixmap(QRect(8, 3, 16, 16), controls::Skin::Image(controls::img::Logo));
    QFont f = font();
    f.setPixelSize(12);
    f.setWeight(QFont::DemiBold);
    p.setFont(f);
    p.setPen(controls::theme::kChromeText);
    // The title sits in the middle of the caption: the menu bar has its left end.
    p.drawText(QRect(0, 0, width(), 22), Qt::AlignCenter, windowTitle());
    if (!maximised_) {
        p.setPen(QColor(0, 0, 0, 60));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    }
}

void CGrimazeDlg::mousePressEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::RightButton && pos.y() < 72) {
        fileEditMenu_->popup(e->globalPosition().toPoint());
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    if (QRect(4, 0, 24, 22).contains(pos)) {  // the program icon opens the File and Edit menus
        fileEditMenu_->popup(mapToGlobal(QPoint(4, 22)));
        return;
    }
    const int zone = FrameZoneAt(pos.x(), pos.y(), width(), height(), maximised_);
    if (zone == ZoneNone) return;
    QWindow* handle = windowHandle();
    if (zone == ZoneCaption) {
        if (handle && handle->startSystemMove()) return;
    } else if (handle && handle->startSystemResize(EdgesOf(zone))) {
        return;
    }
    // The window system could not take over: follow the pointer ourselves.
    dragZone_ = zone;
    dragStart_ = e->globalPosition().toPoint();
    dragGeometry_ = geometry();
}

void CGrimazeDlg::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (!dragZone_) {
        setCursor(CursorFor(FrameZoneAt(pos.x(), pos.y(), width(), height(), maximised_)));
        return;
    }
    const QPoint d = e->globalPosition().toPoint() - dragStart_;
    QRect r = dragGeometry_;
    if (dragZone_ == ZoneCaption) {
        r.moveTopLeft(dragGeometry_.topLeft() + d);
        move(r.topLeft());
        return;
    }
    if (dragZone_ & ZoneLeft) r.setLeft(dragGeometry_.left() + d.x());
    if (dragZone_ & ZoneRight) r.setRight(dragGeometry_.right() + d.x());
    if (dragZone_ & ZoneTop) r.setTop(dragGeometry_.top() + d.y());
    if (dragZone_ & ZoneBottom) r.setBottom(dragGeometry_.bottom() + d.y());
    if (r.width() >= minimumWidth() && r.height() >= minimumHeight())
        setGeometry(r);
}

void CGrimazeDlg::mouseReleaseEvent(QMouseEvent*) { dragZone_ = 0; }

void CGrimazeDlg::mouseDoubleClickEvent(QMouseEvent* e)
{
    const QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && FrameZoneAt(pos.x(), pos.y(), width(), height(), maximised_) == ZoneCaption)
        SetMaximised(!maximised_);
}

void CGrimazeDlg::dragEnterEvent(QDragEnterEvent* e)
{
    if (!PictureFilesOf(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void CGrimazeDlg::dropEvent(QDropEvent* e)
{
    const QStringList files = PictureFilesOf(e->mimeData());
    if (files.isEmpty()) return;
    e->acceptProposedAction();
    AddFiles(files);
}

}  // namespace shell
