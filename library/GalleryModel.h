#pragma once
/**
 * @file GalleryModel.h
 * @brief Everything the template gallery does except painting: the group tree built from the
 * library's column paths, the entries and their states, hidden entries, the two-column
 * layout, hit tests, scrolling, thumbnails and the completion of downloads.
 *
 * The desktop gallery widget paints a PaintPlan and forwards pointer input here; the model
 * answers by notifications (through platform::Post/Send) and by invalidating its window.
 *
 * Threads and locks:
 * - The interface thread calls every public operation except ThumbnailPass.
 * - The thumbnail worker (ThumbnailWorker.h) calls ThumbnailPass. It reads the tree, the
 *   scroll offsets and the items' definitions, and writes thumbnails and pending flags, all
 *   under mutex_. It renders without the lock, so the interface never waits for a rendering.
 * - mutex_ guards the whole model, including every change the model makes to library items
 *   (definition documents, flags, XML attributes). The lock is never held while a
 *   notification is sent, since the receiver may call straight back into the model.
 * - generation_ changes whenever entries or groups are rebuilt; the worker drops thumbnails
 *   it rendered for an older generation.
 */
#include "library/TemplateLibrary.h"
#include "platform/Notify.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace engine {
class CPhotoDocument;
}  // namespace engine

namespace library {

class CTemplateDownloader;
class CThumbnailWorker;

/** States of a gallery entry. */
enum EntryState : int {
    kEntryLocal = 0,
    kEntryOnline = 1,
    kEntryDownloading = 2,
    kEntryDownloaded = 3,
    kEntryFailed = -1,
};

/** Layout constants, in pixels. */
namespace gallery {
inline constexpr int kCellWidth = 135;
inline constexpr int kCellHeight = 108;
inline constexpr int kColumnStep = 143;  ///< left edge of the second column minus the first's
inline constexpr int kRowStep = 118;
inline constexpr int kMarginX = 8;
inline constexpr int kMarginY = 10;
inline constexpr int kHeaderHeight = 35;  ///< room above a sub-group's cells
inline constexpr int kHeaderRight = 274;
inline constexpr int kWheelStep = 40;      ///< pixels per wheel notch
inline constexpr int kPreloadMargin = 216; ///< thumbnails are made this far outside the view
inline constexpr int kThumbWidth = 129;
inline constexpr int kThumbHeight = 86;
}  // namespace gallery

/**
 * Groups nest at most this deep. A column path with more segments keeps the rest, separators
 * and all, as the name of its deepest group: a path thousands of segments deep still reads
 * back as written, and the tree stays one that recursion, layout and painting can walk.
 */
inline constexpr int kMaxGroupDepth = 16;

struct GalleryEntry {
    std::string label;  ///< the template's name, translated
    int reserved = 0;
    int state = kEntryLocal;
    TemplateItem* item = nullptr;  ///< not owned
    bool thumbPending = true;
    unsigned thumbVersion = 0;  ///< bumped whenever the thumbnail must be made anew
};

struct GalleryGroup {
    std::string name;   ///< one segment of a column path
    std::string label;  ///< the name, translated
    std::vector<cv::Mat> thumbnails;  ///< one per entry (BGR)
    std::vector<GalleryEntry> entries;
    std::vector<int> visible;  ///< indexes of the entries shown, in order
    std::vector<std::unique_ptr<GalleryGroup>> children;
    GalleryGroup* parent = nullptr;
    int scroll = 0;         ///< used on categories
    int totalHeight = 0;    ///< from the layout
    int top = 0;            ///< within its category, from the layout
    int selected = -1;      ///< entry index
    int selectedChild = -1;
};

struct GalleryRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
    bool operator==(const GalleryRect&) const = default;
};

/** What the widget draws for the current category, in client coordinates. */
struct PaintPlan {
    enum class Look { Normal, Selected, Hovered };
    struct Cell {
        GalleryRect rect;
        std::string label;
        cv::Mat thumbnail;  ///< shares pixels with the model's copy; do not write
        int state = kEntryLocal;
        Look look = Look::Normal;
    };
    struct Header {
        GalleryRect rect;  ///< the header image is stretched over it; the label sits 8 px in
        std::string label;
    };
    std::vector<Header> headers;
    std::vector<Cell> cells;
    std::optional<GalleryRect> scrollThumb;  ///< a rounded rectangle, corner 5
};

/** What the context menu shows for the entry under the pointer. */
struct ContextMenuState {
    bool hideChecked = false;
    bool showAllChecked = false;
};

class CGalleryModel {
public:
    using Translator = std::function<std::string(const std::string&)>;

    explicit CGalleryModel(CTemplateLibrary& library);
    ~CGalleryModel();
    CGalleryModel(const CGalleryModel&) = delete;
    CGalleryModel& operator=(const CGalleryModel&) = delete;

    // --- Wiring (before the gallery is filled) -----------------------------------------
    /** The gallery's own window (repaints, download reports), its owner (the template page:
     *  3258 and 3270) and the main window (3278). */
    void SetWindows(platform::WindowId gallery, platform::WindowId owner, platform::WindowId mainWindow);
    platform::WindowId GalleryWindow() const { return galleryWindow_; }
    /** Translates names into labels; the current language file's dictionary by default. */
    void SetTranslator(Translator translate);
    /** The show-hidden switch lives in the settings; the model reads and flips it there. */
    void SetShowHiddenSwitch(bool* showHidden);
    void SetThumbnailWorker(CThumbnailWorker* worker);
    void SetDownloader(CTemplateDownloader* downloader);
    /** The download badge drawn on the pictures of online templates (BGR or BGRA). */
    void SetBadge(const cv::Mat& badge);
    void SetClientSize(int width, int height);

    // --- Filling ---------------------------------------------------------------------------
    /** Creates the groups the column paths name; existing groups keep their state and are
     *  translated again. */
    void BuildGroups();
    /** Rebuilds every group's entries from the library, with white thumbnails. */
    void FillEntries();
    void SelectDefaultGroups();
    /** Rebuilds the visible lists for the switch and lays everything out again. */
    void Refilter(bool showHidden);
    /** BuildGroups, FillEntries, SelectDefaultGroups, Refilter with the current switch. */
    void Fill();
    /** Language change: translates every group and entry label again, keeping the rest. */
    void Retranslate();
    /** The worker only serves galleries that are ready. */
    void SetReady(bool ready);
    bool Ready() const;

    // --- Categories and groups -------------------------------------------------------------
    int CategoryCount() const;
    /** The category's name as the column paths write it; "" out of range. */
    std::string GetCategoryName(int index) const;
    std::string GetCategoryLabel(int index) const;
    int CurrentCategory() const;
    /** Makes category index current (with its current group), repaints. */
    void SetCurrentCategory(int index);
    /** The current group of the current category, or null. Interface thread only. */
    GalleryGroup* CurrentGroup() const;
    /** An entry of the current group (a copy), nullopt out of range. */
    std::optional<GalleryEntry> CurrentGroupEntry(int index) const;
    /** The current group's selected entry, or -1. */
    int CurrentSelection() const;
    /** No entry of the current group is selected any more (nothing highlighted, nothing to reselect). */
    void ClearSelection();
    const GalleryGroup& Root() const { return root_; }
    /** The group a "/"-separated path names, or null. */
    GalleryGroup* FindGroup(const std::string& path) const;
    /** The "/"-separated path of a group. */
    static std::string GroupPath(const GalleryGroup& g);

    // --- Geometry ----------------------------------------------------------------------------
    /** The cell of visible position i of group g, in client coordinates (scroll applied). */
    GalleryRect CellRect(const GalleryGroup& g, int position) const;
    /** The header of a sub-group, in client coordinates. */
    GalleryRect HeaderRect(const GalleryGroup& g) const;
    /** The scroll thumb, when the content is taller than the client area. */
    std::optional<GalleryRect> ScrollThumbRect() const;
    struct Hit {
        GalleryGroup* group = nullptr;
        int entry = -1;
    };
    /** The entry under a client point of the current category; selects it when asked. */
    Hit HitTest(int x, int y, bool select);
    int ScrollOffset() const;
    /** Sets the current category's offset, clamped; every scroll restarts the thumbnail pass. */
    void ScrollTo(int offset);
    int MaxScroll() const;

    PaintPlan BuildPaintPlan() const;

    // --- Input (client coordinates) ----------------------------------------------------------
    void LeftButtonDown(int x, int y);
    void LeftButtonUp();
    void PointerMove(int x, int y);
    void DoubleClick(int x, int y);
    /** Positive notches turn the wheel forward (towards the top). */
    void Wheel(int notches);
    /** Right button released: the menu state for the entry there, nullopt when none. */
    std::optional<ContextMenuState> ContextMenuAt(int x, int y);
    /** "Hide" for the entry of the last ContextMenuAt. */
    void ContextHide();
    /** "Show All". */
    void ContextShowAll();
    /** The hovered entry (-1 none). */
    int HoveredEntry() const;

    // --- Thumbnails ---------------------------------------------------------------------------
    /** Marks every thumbnail pending and wakes the worker. */
    void InvalidateThumbnails();
    /**
     * @brief The worker's pass over this gallery: for each group of the current category,
     * depth first, make the pending thumbnails of the entries within kPreloadMargin of the
     * client area. restart ends the current group's load after the thumbnail in progress;
     * stop ends the pass. Worker thread only.
     */
    void ThumbnailPass(engine::CPhotoDocument* document, const std::atomic<bool>& restart, const std::atomic<bool>& stop);
    /** A copy of an entry's thumbnail (tests and the widget). */
    cv::Mat Thumbnail(const GalleryGroup& g, int entry) const;

    // --- Downloads ----------------------------------------------------------------------------
    /**
     * @brief Starts the download of entry index of the current group when its state is 1 or
     * -1 (the state becomes 2). False when nothing was started.
     */
    bool StartDownload(int index);
    /** The same for entry index of any group. */
    bool StartDownload(GalleryGroup& group, int index);
    /** DownloadFinished (3271): applies the worker's result on the interface thread. */
    void OnDownloadFinished(int downloadId, bool success);
    /** Why the last download of an item failed ("" when it did not). */
    std::string LastDownloadError(const TemplateItem* item) const;
    /** Runs f on the model's lock, for changes to library items made outside the model. */
    void WithLock(const std::function<void()>& f);

    /** The worker's hooks. */
    void RequestRestart();

private:
    GalleryGroup* Category(int index) const;                 // mutex_ held
    GalleryGroup* CategoryOf(const GalleryGroup* g) const;    // mutex_ held
    int OriginY(const GalleryGroup& g) const;                 // mutex_ held: content origin, no scroll
    void Layout(GalleryGroup& g, int top);                    // mutex_ held
    void RefilterLocked(bool showHidden);                     // mutex_ held
    void ClampScroll(GalleryGroup& category);                 // mutex_ held
    void ScrollToLocked(int offset);                          // mutex_ held
    Hit HitGroup(GalleryGroup& g, int x, int y, bool select); // content coordinates
    /** Selects the cell under (x, y) and makes its group the category's current one; the
     *  group's selection, or nothing when no cell is there. Takes mutex_. */
    std::optional<int> SelectCellAt(int x, int y);
    GalleryRect CellRectLocked(const GalleryGroup& g, int position) const;
    GalleryRect HeaderRectLocked(const GalleryGroup& g) const;
    void WakeWorker(bool restart);
    bool ShowHidden() const { return showHidden_ ? *showHidden_ : ownShowHidden_; }
    void SetShowHidden(bool on);
    GalleryEntry* EntryOfItem(const TemplateItem* item, GalleryGroup** group = nullptr);
    void PaintGroup(const GalleryGroup& g, const GalleryGroup* current, PaintPlan& plan) const;

    CTemplateLibrary& library_;
    mutable std::mutex mutex_;
    GalleryGroup root_;
    int currentCategory_ = 0;
    std::vector<GalleryGroup*> categoryCurrent_;  ///< per category; null when none
    GalleryGroup* hoverGroup_ = nullptr;
    int hoverEntry_ = -1;
    bool dragging_ = false;
    int lastY_ = 0;
    GalleryGroup* menuGroup_ = nullptr;
    int menuEntry_ = -1;
    int clientWidth_ = 2 * gallery::kColumnStep + 2 * gallery::kMarginX;
    int clientHeight_ = 400;
    bool ready_ = false;
    unsigned generation_ = 0;

    platform::WindowId galleryWindow_ = 0, ownerWindow_ = 0, mainWindow_ = 0;
    Translator translate_;
    bool* showHidden_ = nullptr;
    bool ownShowHidden_ = false;
    CThumbnailWorker* worker_ = nullptr;
    CTemplateDownloader* downloader_ = nullptr;
    cv::Mat badge_;
    std::map<int, TemplateItem*> downloads_;
    std::map<const TemplateItem*, std::string> downloadErrors_;
};

/** A white 129 x 86 picture: the placeholder of every thumbnail. */
cv::Mat WhiteThumbnail();

}  // namespace library
