#pragma once
/**
 * @file GrimazeDlg.h
 * @brief CGrimazeDlg: the main window, drawn without the system caption. It holds the tool
 * bar, the window buttons and the working window; routes the tool-bar commands and the
 * children's notifications; moves and sizes itself by its own frame (through the window
 * system's move and resize requests, so it behaves on X11 and Wayland); asks before quitting;
 * opens help, the settings menu, the export dialog and the update check.
 * Interface thread only.
 */
#include "controls/QtNotify.h"
#include "engine/EffectTemplate.h"
#include "i18n/LanguageManager.h"
#include "shell/ImageProcessDlg.h"
#include "shell/logic/EditHistory.h"
#include "shell/logic/ExportRules.h"
#include "shell/logic/RecentFiles.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <thread>

class QMenu;
class QMenuBar;
namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace controls {
class CCoolButtonBar;
class CFlexToolBar;
}  // namespace controls

namespace shell {

class CBatchExportDlg;
class CDlgExport;
class CNoticeBar;
class CLiveCamera;

class CGrimazeDlg : public QWidget, public controls::NotifyTarget {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 1020;
    static constexpr int kDefaultHeight = 629;
    // Fits a 1920 x 1080 screen at 200 % (960 x 540 logical pixels) with a panel; a smaller
    // screen lowers it further (PlaceOnScreen).
    static constexpr int kMinWidth = 900;
    static constexpr int kMinHeight = 500;

    struct Hooks {
        /** Builds the template page (the gallery); none gives a working window without one. */
        CImageProcessDlg::PageFactory pageFactory;
        /** "Check for new update...": shows the version dialog. */
        std::function<void(QWidget* parent)> checkForUpdate;
        /** Opens the vendor's download page (after a newer version was reported). */
        std::function<void()> openDownloadPage;
    };

    CGrimazeDlg(engine::CPhotoDocument& document, Hooks hooks, QWidget* parent = nullptr);
    ~CGrimazeDlg() override;

    std::intptr_t OnNotify(int code, std::intptr_t a, std::intptr_t b) override;
    void OnTimer(int id) override;

    /**
     * @brief Shows the window where and as it was when the program last ended (the session in
     * the settings), and remembers the session again when it closes.
     */
    void ShowAsRemembered();
    /**
     * @brief Says, once and without blocking, why templates are missing: the library folders
     * that could not be installed or read at start.
     */
    void ShowLibraryProblems();
    /** Stores the window's geometry and choices in the session settings. */
    void RememberSession() const;

    /** Runs a tool-bar command (the index posted with 3225). */
    void Command(int index);
    /** Runs a menu command. */
    void MenuCommand(int command);
    /** Puts files at the front of the photo list (the add-images dialog, drag and drop). */
    void AddFiles(const QStringList& files);
    /** Takes back the last edit of the current template's settings, else steps back through the results. */
    void Undo();
    void Redo();
    /** Copies the result at full size (rendered first when needed) to the clipboard as a picture. */
    void CopyResult();
    /** "Export selected...": the current template with its settings over the selected photos. */
    void ExportSelected();
    /** Brings the window in line with a result of the history shown without a template. */
    void ShowHistoryStep();
    /** Escape: asks before quitting unless the export dialog is open. */
    void AskToQuit();
    void ShowHelp();
    /** Translates every window again (after the language changed). */
    void Retranslate();
    /**
     * @brief Runs work on a worker while the window keeps painting and takes no input, then
     * runs then on the interface thread. One at a time; the work may use the photo document.
     */
    void RunInBackground(std::function<void()> work, std::function<void()> then);
    /** Selects a photo (or adds it to the selection), decoding a large one on a worker. */
    void SelectPhotoThen(int index, bool append, std::function<void(bool ok, const std::string& error)> then);
    /** The same for several photos in order (the first replaces the selection unless append). */
    void SelectPhotosThen(std::vector<int> indices, bool append,
                          std::function<void(bool ok, const std::string& error)> then);
    bool Busy() const { return jobRunning_; }

    CImageProcessDlg* Work() const { return work_; }
    CLiveCamera* LiveCamera() const { return live_; }
    controls::CFlexToolBar* ToolBar() const { return toolBar_; }
    controls::CCoolButtonBar* WindowButtons() const { return maximised_ ? winBarRestore_ : winBar_; }
    CDlgExport* ExportDialog() const { return exportDialog_; }
    CBatchExportDlg* BatchDialog() const { return batchDialog_; }
    QMenu* SettingsMenu() const { return settingsMenu_; }
    QMenuBar* MenuBar() const { return menuBar_; }
    QMenu* RecentMenu() const { return recentMenu_; }
    RecentFiles& Recent() { return recent_; }
    const EditHistory& Edits() const { return edits_; }
    QMenu* LanguageSubMenu() const { return languageMenu_; }
    bool ExportEnabled() const { return exportEnabled_; }
    bool Maximised() const { return maximised_; }
    QString DefaultOutputFile() const { return defaultOutput_; }
    /** What the export dialog was last set to (the next export starts from it). */
    const ExportChoices& LastExportChoices() const { return exportChoices_; }
    void SetExportChoices(const ExportChoices& choices) { exportChoices_ = choices; }
    /** The non-blocking notice at the bottom of the window ("Saved ...", "Open folder"). */
    CNoticeBar* Notice() const { return notice_; }
    void SetDefaultOutputFile(const QString& path) { defaultOutput_ = path; }
    bool RenderingForExport() const { return jobRunning_ || pendingExport_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void changeEvent(QEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildMenuBar();
    /** The output folder, and the folder, format and recent photos the last session left. */
    void RestoreExportPlace();
    /** The tool bar and the window buttons (one bar for a normal window, one for a maximised one). */
    void CreateBars();
    void CreateWorkingWindow();
    void BindShortcuts();
    // Notifications that take more than a line.
    /** flags: 1, 2 and 4 as CTemplatePageBase::ReselectCurrent takes them. */
    void ReselectTemplate(int flags);
    void ToolbarStateChanged(std::intptr_t a, std::intptr_t b);
    void MainResultReady(std::intptr_t a, std::intptr_t b);
    void NoFaceFound();
    void BuildRecentMenu();
    void OpenRecent(const std::string& path);
    bool UndoEdit();
    bool RedoEdit();
    void ApplyEdit(const std::string& settings);
    /** Watches input to the pane and the preview for edits of the template's settings. */
    void TrackEdits(QObject* watched, QEvent* event);
    void BuildLanguageMenu();
    void RebuildToolBar();
    void LayOut();
    void SetMaximised(bool on);
    void ShowPanes(engine::CEffectTemplate* t);
    void Export();
    /** Renders the full-size result unless it is ready, then runs then (on the interface thread). */
    void PrepareFullResult(std::function<void()> then);
    void AfterFullResult();
    void StartFullRender();
    void FullRenderDone();
    void JobDone();
    void OpenExportDialog();
    void ExportGifFromMenu();
    void AddImagesDialog();
    void ShowAddedPhoto();
    void ShowAbout();
    void ToolButtonPressed(const engine::ToolButton& button);
    void UpdateMask();
    /** Sizes and moves the window onto the screen it is on (or the stored geometry's screen). */
    void PlaceOnScreen(const QRect* stored);

    engine::CPhotoDocument& doc_;
    Hooks hooks_;
    controls::CFlexToolBar* toolBar_ = nullptr;
    controls::CCoolButtonBar* winBar_ = nullptr;
    controls::CCoolButtonBar* winBarRestore_ = nullptr;
    CImageProcessDlg* work_ = nullptr;
    QMenu* fileEditMenu_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    RecentFiles recent_;
    EditHistory edits_;
    engine::CEffectTemplate* editsOf_ = nullptr;  ///< the template the edit history belongs to (not held)
    QMenu* settingsMenu_ = nullptr;
    QMenu* languageMenu_ = nullptr;
    i18n::LanguageMenu languages_;

    QString outputFolder_;
    QString defaultOutput_;
    bool originalMode_ = false;
    bool panelButton_ = false;
    bool exportEnabled_ = false;
    std::vector<engine::ToolButton> extraButtons_;
    engine::CEffectTemplate* paneTemplate_ = nullptr;  ///< whose panes are shown; one reference held
    bool pendingExport_ = false;  ///< a deferred template renders at full size for afterFull_
    std::function<void()> afterFull_;  ///< what waits for the full-size result (export, copy)
    bool fullPrepared_ = false;
    cv::Mat fullResult_;  // the prepared full-size result; any later rendering replaces the shown one
    bool exportOpen_ = false;
    bool maximised_ = false;
    bool layoutReady_ = false;
    bool rememberSession_ = false;
    bool libraryProblemsShown_ = false;
    int pendingReselect_ = 0;  // photo changes seen in original-image mode, applied on return
    CDlgExport* exportDialog_ = nullptr;  // while it is open
    ExportChoices exportChoices_;
    CNoticeBar* notice_ = nullptr;
    CBatchExportDlg* batchDialog_ = nullptr;  // while it is open
    CLiveCamera* live_ = nullptr;  // the live view over the preview (a child of it)

    bool jobRunning_ = false;
    std::thread job_;
    std::function<void()> jobThen_;

    // Moving and sizing by the frame when the window system cannot do it for us.
    int dragZone_ = 0;
    QPoint dragStart_;
    QRect dragGeometry_;
    QRect normalGeometry_;  // where a maximised window goes back to
};

}  // namespace shell
