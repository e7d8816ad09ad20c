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
 * Calling order: construct, SetDefinition and SetTemplateFolder, CheckFileSettings (by the
 * template creator, which also checks ParamsNeeded), Init, SetParams; then per
 * rendering SetSource, SetOutputSize, SetParams, Start, Process, GetResult. Re-renderings
 * after a parameter or pointer change skip Start.
 */
#include "engine/ImageDataObject.h"
#include "engine/ParamBlock.h"

#include <opencv2/core.hpp>

#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace engine {

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
    /**
     * @brief Why the filter cannot work with what its definition names, or "": a file that is
     * there but refused (a model with numbers out of range, say). A missing file is no such
     * reason; the filter then renders without it. The template creator asks right after Init.
     */
    virtual std::string InitError() const { return {}; }
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
    /**
     * @brief The kind of parameter block this filter reads (ParamBlock.h). A template that
     * hands out another kind cannot drive it: the template creator refuses the pair.
     */
    virtual ParamBlock ParamsNeeded() const = 0;
    /**
     * @brief Gives the parameter block, typed: the filter remembers its kind with the pointer
     * and reads it only as that kind (ParamsAs). The template keeps the block alive.
     */
    template <class Block>
    void SetParams(const Block* block)
    {
        params_ = block;
        paramKind_ = Block::kKind;
    }
    /** Kept for the fixed operation order; no filter gives it behaviour. */
    virtual void Reserved(int a, int b) { (void)a, (void)b; }

    void SetDefinition(tinyxml2::XMLElement* element) { definition_ = element; }
    tinyxml2::XMLElement* Definition() const { return definition_; }
    void SetTemplateFolder(const std::string& folder) { folder_ = folder; }
    const std::string& TemplateFolder() const { return folder_; }

    /**
     * @brief Resolves a file name read from the definition (TemplatePaths.h): relative names
     * ("./x.png", "x.png") against the template folder, or the program folder when there is
     * none; backslashes become slashes; symbolic links are followed.
     * @return the resolved path, or "" (with a reason in error) when it lies outside the
     * folder the template may read from.
     */
    std::string ResolveFileName(const std::string& name, std::string* error = nullptr) const;
    /** The "param" settings that name files this filter reads (for CheckFileSettings). */
    virtual std::vector<const char*> FileSettings() const { return {}; }
    /**
     * @brief Checks every file setting the definition gives against the template folder.
     * @return false with a message naming the setting and the file when one lies outside.
     */
    bool CheckFileSettings(std::string* error) const;

    /** Settings: attributes of the definition's "param" child; missing or malformed keep def. */
    int ParamInt(const char* name, int def) const;
    double ParamDouble(const char* name, double def) const;
    std::string ParamText(const char* name, const std::string& def = {}) const;

    /**
     * @brief The stop flag long loops poll: the process-wide one, which the window's Stop sets
     * from the interface thread and the photo document clears, unless this thread rendering on
     * its own (a batch worker) installed a flag of its own with a StopScope. Stopping the
     * window's rendering then cannot cut a batch photo short, nor a batch stop the window's.
     */
    static std::atomic<bool>& StopFlag();
    static bool StopRequested() { return StopFlag().load(std::memory_order_relaxed); }
    static void RequestStop() { StopFlag().store(true); }
    static void ClearStop() { StopFlag().store(false); }

    /**
     * @brief Makes flag this thread's stop flag until the scope ends. A parallel loop whose
     * body polls the flag installs the calling thread's flag in the body, since OpenCV's
     * workers are other threads.
     */
    class StopScope {
    public:
        explicit StopScope(std::atomic<bool>& flag);
        ~StopScope();
        StopScope(const StopScope&) = delete;
        StopScope& operator=(const StopScope&) = delete;

    private:
        std::atomic<bool>* previous_;
    };

protected:
    /** Reseeds the run's generator seed from the clock (or the fixed seed of scripts). */
    void SeedForRun();
    std::uint32_t RunSeed() const { return runSeed_; }

    /** The block the template handed, when it is of Block's kind; null otherwise. */
    template <class Block>
    const Block* ParamsAs() const
    {
        return paramKind_ == Block::kKind ? static_cast<const Block*>(params_) : nullptr;
    }

    tinyxml2::XMLElement* definition_ = nullptr;
    std::string folder_;

private:
    const void* params_ = nullptr;
    ParamBlock paramKind_ = ParamBlock::None;
    std::uint32_t runSeed_ = 1;
    static std::atomic<bool> stopFlag_;
};

/**
 * @brief The registered class of that name as a filter (templates are filters too), not yet
 * initialised; empty when no class has the name or it is not a filter.
 */
std::unique_ptr<CImageFilter> CreateFilterByName(const std::string& name);

}  // namespace engine
