#pragma once
/**
 * @file EffectTemplate.h
 * @brief The base of every effect template: what the shell and the photo document drive.
 *
 * Threads: everything runs on the interface thread under the photo document's rendering
 * lock, except Process and GetResult of deferred templates, which run on the rendering
 * thread (still under that lock), and Stop, which may come from any thread.
 *
 * Lifetime: reference counted. A new template holds one reference; the photo document holds
 * one on its current template; the last Release destroys it.
 */
#include "engine/ImageDataObject.h"
#include "engine/ImageFilter.h"
#include "engine/ViewGeometry.h"
#include "platform/DrawContext.h"
#include "platform/Notify.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
}  // namespace tinyxml2

namespace engine {

class CPhotoDocument;
class COptionPanel;
struct PhotoRecord;

/** Views a template may draw on and take pointer input from. */
enum TemplateView : int { ViewOriginal = 1, ViewPreview = 2 };
/**
 * How far a view magnifies what it shows at most, for overlays to map as it draws: the
 * preview renders anew for its zoom (no limit), the original-image view enlarges its photo.
 */
inline float ViewMagnificationLimit(int view)
{
    return view == ViewPreview ? kNoMagnificationLimit : kFittedViewMagnification;
}

/** An extra tool-bar button a template offers (the face templates' "Search Face"). */
struct ToolButton {
    int command = 0;        ///< sent back to ParamCommand when clicked
    std::string text;       ///< label, looked up in the language file
    std::string tooltip;
    std::string image;      ///< skin image name
};

class CEffectTemplate : public CImageDataObject {
public:
    CEffectTemplate();
    ~CEffectTemplate() override;

    void AddRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }
    /** Drops a reference; destroys the template at zero. */
    void Release();
    int RefCount() const { return refCount_.load(); }

    /**
     * @brief Reads the definition element, creates the filter, sets defaults.
     * @return false (with LoadError() saying why) when the template cannot work, for example
     * when its filter name is missing or unknown.
     */
    virtual bool Load() { return true; }
    /** Hands the parameter block to the filter again. */
    virtual void ApplyParams() {}
    /** The kind of parameter block this template hands its filter (ParamBlock.h). */
    virtual ParamBlock ParamsGiven() const { return ParamBlock::None; }
    virtual void Reserved(int a) { (void)a; }
    virtual bool HasOverlay(int view) { (void)view; return false; }
    virtual void DrawOverlay(int view, const cv::Mat& image, platform::DrawContext& dc, const ViewRect& rect, float panX,
                             float panY, float zoom);
    /** Pointer input in view pixels; true while the pointer is over an active part. */
    virtual bool OnMouse(int view, const cv::Mat& image, const ViewRect& rect, float pan[2], float& zoom, bool isMove,
                         bool buttonDown, int reserved, int x, int y);
    /** Collects the prepared images of the records and calls SetSource. */
    virtual void SetPhotos(std::span<const PhotoRecord> records);
    virtual void SetSource(std::span<const cv::Mat> images) = 0;
    virtual void Start() {}
    virtual void Process() = 0;
    virtual void Stop() {}
    virtual cv::Mat GetResult() = 0;
    virtual void SetOutputSize(const cv::Size* size) { (void)size; }
    virtual bool IsDeferred() { return false; }
    /** Parameter access for panes and the main window; view is a window some commands use. */
    virtual void ParamCommand(int command, platform::WindowId view, int index, void* data);
    virtual bool IsExpression() { return false; }
    virtual int ExportAnimation(const std::string& path, int maxWidth, int maxHeight);
    /** The template's adjustment pane (owned by the template until a window adopts it). */
    virtual COptionPanel* CreatePane(int which) { (void)which; return nullptr; }
    virtual void GetToolButtons(std::vector<ToolButton>& list) { (void)list; }
    /** 1 before and 0 after the rendering of a gallery thumbnail. */
    virtual void SetQuiet(int quiet) { (void)quiet; }

    /** Deletes panes whose window has gone and drops empty entries. */
    void SweepPanes();

    const std::string& LoadError() const { return loadError_; }
    CImageFilter* Filter() const { return filter_.get(); }

    // Set by the creator before Load.
    CPhotoDocument* document = nullptr;
    tinyxml2::XMLElement* definition = nullptr;
    std::string folder;
    std::string displayName;
    /** Keeps the definition document alive when nobody else does (the command-line tool). */
    std::shared_ptr<tinyxml2::XMLDocument> definitionOwner;

    // Pointer state written by the photo document's pointer operations before it re-renders.
    short buttonDown = 0;
    int pointerX = 0, pointerY = 0;
    int prevPointerX = 0, prevPointerY = 0;
    bool pointerMoved = false;

protected:
    /**
     * @brief Creates the filter named by the definition's "filter" child (or `fallback` when
     * it names none) and initialises it. Refuses, with LoadError() naming both classes, a
     * filter that reads another kind of parameter block than ParamsGiven(), and one whose
     * file settings lead outside the template's folder, either way before the filter's Init;
     * and one whose Init found a named file unusable (InitError).
     */
    bool CreateFilterFromDefinition(const char* fallback = nullptr);
    /**
     * @brief Creates the pane registered as `paneClass`, owned by this template until a window
     * adopts it, and keeps it in panes_.
     * @return null when no such pane is linked: panes live in the desktop program.
     */
    COptionPanel* CreateOwnedPane(const char* paneClass);

    std::vector<COptionPanel*> panes_;
    std::unique_ptr<CImageFilter> filter_;
    std::string loadError_;

private:
    std::atomic<int> refCount_{1};
};

/**
 * @brief Creates and loads a template from a parsed definition document, under the
 * process-wide template-creation lock.
 * @return null with a reason in error when the template class or its filter is unknown or
 * the definition is malformed. The new template holds one reference, which the caller owns.
 */
CEffectTemplate* CreateTemplate(const std::shared_ptr<tinyxml2::XMLDocument>& definition, const std::string& folder,
                                CPhotoDocument* document, std::string* error = nullptr);

}  // namespace engine
