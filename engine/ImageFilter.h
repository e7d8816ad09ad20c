#pragma once
/**
 * @file ImageFilter.h
 * @brief The contract between a template and the pixel work.
 *
 * Threads: SetSource, SetOutputSize, SetParams and Start run on the interface thread;
 * Process and GetResult there too, or on the rendering thread for deferred templates; all
 * under the photo document's rendering lock. Stop may come from any thread at any time: it
 * only sets the process-wide stop flag that long loops poll.
 *
 * Calling order: construct, SetDefinition and SetTemplateFolder, Init, SetParams; then per
 * rendering SetSource, SetOutputSize, SetParams, Start, Process, GetResult. Re-renderings
 * after a parameter or pointer change skip Start.
 */
#include "engine/ImageDataObject.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

class CImageFilter : public CImageDataObject {
public:
    CImageFilter();
    ~CImageFilter() override;

    /**
     * @brief Gives the input images. Each may be a view with a region of interest; the filter
     * copies what it keeps. An empty span or an empty first image leaves it without a source.
     */
    virtual void SetSource(std::span<const cv::Mat> images) = 0;
    /** One-time preparation after the definition element and folder are set. */
    virtual void Init() {}
    /** Before a processing run; random filters take their seed here (SeedForRun). */
    virtual void Start() {}
    /** Asks a running Process to end early. */
    virtual void Stop() {}
    virtual void Process() = 0;
    /** The result; the filter keeps the pixels, callers clone what they keep. */
    virtual cv::Mat GetResult() = 0;
    /** Output size for the next Process, or null for no preference (full source size). */
    virtual void SetOutputSize(const cv::Size* size) { (void)size; }
    virtual void GetOutputSize(cv::Size& size) { (void)size; }
    /** True when rendering is slow and runs on the rendering thread. */
    virtual bool IsDeferred() { return false; }
    /** Writes an animated GIF; 1 on success. Only animated filters implement it. */
    virtual int ExportAnimation(const std::string& path, int maxWidth, int maxHeight);
    /** The parameter block; its layout is agreed between a template class and its filters. */
    virtual void SetParams(const void* block) { params_ = block; }
    /** Kept for the fixed operation order; no filter gives it behaviour. */
    virtual void Reserved(int a, int b) { (void)a, (void)b; }

    void SetDefinition(tinyxml2::XMLElement* element) { definition_ = element; }
    tinyxml2::XMLElement* Definition() const { return definition_; }
    void SetTemplateFolder(const std::string& folder) { folder_ = folder; }
    const std::string& TemplateFolder() const { return folder_; }

    /**
     * @brief Resolves a file name read from the definition: a name starting with "." is
     * relative to the template folder (or the program folder when there is none); any other
     * name is used as it stands. Backslashes become slashes.
     */
    std::string ResolveFileName(const std::string& name) const;

    /** Settings: attributes of the definition's "param" child; missing or malformed keep def. */
    int ParamInt(const char* name, int def) const;
    double ParamDouble(const char* name, double def) const;
    std::string ParamText(const char* name, const std::string& def = {}) const;

    /** The process-wide stop flag that long loops poll; cleared by the photo document. */
    static bool StopRequested() { return stopFlag_.load(std::memory_order_relaxed); }
    static void RequestStop() { stopFlag_.store(true); }
    static void ClearStop() { stopFlag_.store(false); }

protected:
    /** Reseeds the run's generator seed from the clock (or the fixed seed of scripts). */
    void SeedForRun();
    std::uint32_t RunSeed() const { return runSeed_; }

    tinyxml2::XMLElement* definition_ = nullptr;
    const void* params_ = nullptr;
    std::string folder_;

private:
    std::uint32_t runSeed_ = 1;
    static std::atomic<bool> stopFlag_;
};
