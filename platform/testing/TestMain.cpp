// main() for every test program: each run gets its own HOME and XDG folders under /tmp,
// so no test can touch the real home of whoever runs the suite.
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>
#include <opencv2/core/utility.hpp>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    testenv::TemporaryHome home;
#if defined(__SANITIZE_THREAD__)
    // OpenCV's loops run on TBB, whose hand-overs ThreadSanitizer cannot see: it reports the
    // caller freeing a parallel_for_ body that a worker has finished with. The threads under test
    // are our own, so under TSan OpenCV runs each loop on the thread that calls it.
    cv::setNumThreads(0);
#endif
    const int rc = RUN_ALL_TESTS();
    return rc;
}
