#pragma once
/**
 * @file Notify.h
 * @brief Window ids and the notifications windows and workers exchange.
 *
 * Engine code never talks to a window directly: it posts a numbered notification with two
 * integer parameters to a WindowId through the installed sink. The desktop program installs
 * a sink that turns them into Qt events, tests install a recorder, the command-line tool
 * drops them. All calls are thread-safe; Post may come from any thread.
 */
#include <cstdint>

namespace platform {

/** Opaque id of a window; 0 is "no window". */
using WindowId = std::uintptr_t;

/** Notification numbers (the program's private message range). */
namespace msg {
inline constexpr int ResultReady = 1124;          ///< a = request number
inline constexpr int SharpResultReady = 1125;     ///< a = request number (CPhotoDocument::RenderSharp)
inline constexpr int Busy = 1224;
inline constexpr int ReselectTemplate = 1324;
inline constexpr int TemplateChanged = 1424;
inline constexpr int ToolbarButtonUpdate = 1524;
inline constexpr int ToolbarState = 1624;
inline constexpr int ModeRequest = 1724;
inline constexpr int ShowControlPanel = 1824;
inline constexpr int MainResultReady = 1924;
inline constexpr int OriginalViewCommand = 2024;
inline constexpr int NoFaceFound = 2124;
inline constexpr int FaceSearchStarted = 2125;
inline constexpr int ToolbarCommand = 3225;
inline constexpr int GalleryEntrySelected = 3258;
inline constexpr int NewerVersion = 3259;
inline constexpr int UpToDate = 3264;
inline constexpr int VersionCheckError = 3269;
inline constexpr int GalleryEntryActivated = 3270;
inline constexpr int DownloadFinished = 3271;
inline constexpr int ActivateCurrentEntry = 3272;
inline constexpr int OnlineTemplateMessage = 3273;
inline constexpr int OpenAddImages = 3277;
inline constexpr int HideWizard = 3278;
inline constexpr int LanguageChanged = 4824;
}  // namespace msg

/** Pointer shapes a template may ask for while the pointer is over its overlay. */
enum class CursorShape { Arrow, SizeAll, SizeNESW, SizeNWSE, SizeNS, SizeWE, Hand, Wait };

/** Receives everything the engine asks of windows. Implementations must be thread-safe. */
class NotificationSink {
public:
    virtual ~NotificationSink() = default;
    virtual void Post(WindowId window, int code, std::intptr_t a, std::intptr_t b) = 0;
    /** Delivers synchronously when called on the window's thread; returns the answer. */
    virtual std::intptr_t Send(WindowId window, int code, std::intptr_t a, std::intptr_t b) = 0;
    virtual void SetTimer(WindowId window, int id, int milliseconds) = 0;
    virtual void KillTimer(WindowId window, int id) = 0;
    virtual void SetCursor(CursorShape shape) = 0;
    virtual void Invalidate(WindowId window) = 0;
};

/**
 * @brief Installs the process-wide sink (nullptr installs one that drops everything).
 * The sink must outlive every call made through it; install it before starting workers.
 */
void InstallSink(NotificationSink* sink);
NotificationSink* CurrentSink();

void Post(WindowId window, int code, std::intptr_t a = 0, std::intptr_t b = 0);
std::intptr_t Send(WindowId window, int code, std::intptr_t a = 0, std::intptr_t b = 0);
void SetTimer(WindowId window, int id, int milliseconds);
void KillTimer(WindowId window, int id);
void SetCursor(CursorShape shape);
void Invalidate(WindowId window);

}  // namespace platform
