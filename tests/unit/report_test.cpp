#include <gtest/gtest.h>

#include "link/Report.h"

using namespace dravik;

TEST(Report, IdentificationFrame) {
    dataBuffer tx;
    ASSERT_TRUE(buildRequest(tx, IDENTIFICATION, 0, 0));
    EXPECT_EQ(byteDump(tx, kStart, requestFrameSize(tx)).toStdString(), "1.f2.2.2.0.2.");
}
