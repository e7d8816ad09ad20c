// main() for every test program: each run gets its own HOME and XDG folders under /tmp,
// so no test can touch the real home of whoever runs the suite.
#include "platform/testing/TestEnv.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    testenv::TemporaryHome home;
    const int rc = RUN_ALL_TESTS();
    return rc;
}
