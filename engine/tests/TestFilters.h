#pragma once
// Filters that exist only in the tests: they make rendering observable.
#include "engine/Registry.h"
#include "engine/SimpleFilter.h"
#include "engine/SimpleTemplate.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace enginetest {

/** Paints the result with (var1, var2, var3) and counts its runs. */
class CF_SolidTest : public engine::CF_SimpleFilter {
public:
    static inline std::atomic<int> processed{0};
    static inline std::atomic<int> started{0};
    void Start() override { ++started; }
    void Process() override
    {
        ++processed;
        if (const engine::SimpleParams* p = Params()) result_.setTo(cv::Scalar(p->var[0], p->var[1], p->var[2]));
    }
};

/** Takes about a second unless stopped; polls the stop flag like the slow filters do. */
class CF_SlowTest : public CF_SolidTest {
public:
    static inline std::atomic<bool> running{false};
    static inline std::atomic<int> stoppedEarly{0};
    void Stop() override { RequestStop(); }
    void Process() override
    {
        running = true;
        for (int i = 0; i < 1000; ++i) {
            if (StopRequested()) {
                ++stoppedEarly;
                running = false;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        CF_SolidTest::Process();
        running = false;
    }
};

inline void RegisterTestFilters()
{
    engine::RegisterCreator("SolidTestFilter", []() -> engine::CImageDataObject* { return new CF_SolidTest; });
    engine::RegisterCreator("SlowTestFilter", []() -> engine::CImageDataObject* { return new CF_SlowTest; });
}

inline const char* kSolidVars =
    "<variables><var1 min=\"0\" max=\"255\" default=\"10\"/><var2 min=\"0\" max=\"255\" default=\"20\"/>"
    "<var3 min=\"0\" max=\"255\" default=\"30\"/></variables>";

}  // namespace enginetest
