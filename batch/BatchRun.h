#pragma once
/**
 * @file BatchRun.h
 * @brief One template over many photos: which photos, where each result goes, and the run on
 * worker threads. `grimaze-cli batch` and the window's "Export selected..." both go through
 * RunBatch, so the two can never disagree about names, clashes or failures.
 *
 * Threads: RunBatch starts the workers and returns when they are all joined. Each worker takes
 * the next photo from a shared counter and renders it with its own photo document and its own
 * template instance (RunRenderJob), so workers share no rendering state. The listener is called
 * from the workers, one call at a time (RunBatch serialises the calls under one mutex), so a
 * listener needs no lock of its own for what only its callbacks touch.
 */
#include "batch/RenderJob.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace batch {

/** True for the names of the picture files a folder given to a batch contributes. */
bool IsBatchPictureName(const std::string& name);

/** The photos named, folders replaced by the pictures in them (sorted by name). */
std::vector<std::string> ExpandBatchPhotos(const std::vector<std::string>& namesAndFolders);

/** One photo of a batch and the file its result goes to. */
struct BatchItem {
    std::string photo;
    std::string out;
    std::string error;  ///< set when the photo cannot even be attempted
};

/**
 * @brief Output names: the photo's name with the extension (without the dot) in the folder.
 * Two photos that would write the same file, or a result that would replace its own photo,
 * are refused (the item's error says why) rather than lost.
 */
std::vector<BatchItem> PlanBatchOutputs(const std::vector<std::string>& photos, const std::string& folder,
                                        const std::string& extension);

/**
 * @brief As above, with each result named by a pattern: %b the photo's name without its
 * extension, %t the template's name, %n the photo's number in the batch (1 for the first),
 * %e the extension, %% a percent sign. A slash in a name that is put in becomes "_", so every
 * result stays in the folder.
 */
std::vector<BatchItem> PlanBatchOutputs(const std::vector<std::string>& photos, const std::string& folder,
                                        const std::string& extension, std::string_view pattern,
                                        const std::string& templateName);

/** Whether the pattern can name results; if not, error says why (an unknown %x, a slash, ...). */
bool CheckBatchNamePattern(std::string_view pattern, std::string* error = nullptr);

/** How a result is written: the quality of lossy formats and an optional long side. */
struct SaveOptions {
    int quality = 92;   ///< 1..100, JPEG and WebP
    int longSide = 0;   ///< >0: scale the result so that its longer side has this many pixels
};

/** The size a result of this size is written at under the options (never below 1x1). */
cv::Size SavedSize(cv::Size result, const SaveOptions& options);

/** Scales the result as the options say and writes it through a temporary file. */
bool SaveResult(const std::string& path, const cv::Mat& result, const SaveOptions& options, std::string* error);

/** Told about each photo as it is finished; calls never overlap. */
class BatchListener {
public:
    virtual ~BatchListener() = default;
    virtual void Written(const BatchItem& item) = 0;
    virtual void Failed(const BatchItem& item, const std::string& why) = 0;
    /** The item's rendering begins (its Written or Failed follows); for timings. */
    virtual void Started(const BatchItem& /*item*/) {}
};

struct BatchOutcome {
    size_t written = 0;
    size_t failed = 0;
    size_t cancelled = 0;  ///< photos not started because the run was cancelled
};

/**
 * @brief Renders job (its photos replaced by each item's photo) for every item and writes the
 * results. A failed photo is told to the listener and the others still get done. Setting
 * cancel lets the photos being rendered finish and starts no more.
 */
BatchOutcome RunBatch(const std::vector<BatchItem>& plan, const RenderJob& job, const SaveOptions& save, int jobs,
                      BatchListener& listener, const std::atomic<bool>* cancel = nullptr);

/**
 * @brief Opens the job's template once and checks the variable values against its ranges,
 * so that a run that cannot work fails once instead of once per photo.
 */
bool CheckBatchTemplate(const RenderJob& job, std::string* error);

}  // namespace batch
