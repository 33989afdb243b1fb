#ifndef KYRA_TESTS_HANDLEFIXTURE_H
#define KYRA_TESTS_HANDLEFIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "kyraSparse.h"

// A fresh library handle per test, with a reader for its last status text.
class HandleTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(kyraSparseCreate(&handle), kyraSparseNoError); }
    void TearDown() override { EXPECT_EQ(kyraSparseDestroy(handle), kyraSparseNoError); }

    std::string lastStatus() {
        char buf[1024];
        EXPECT_EQ(kyraSparseGetLastStatusString(handle, buf, sizeof buf), kyraSparseNoError);
        return buf;
    }

    kyraSparseHandle handle = nullptr;
};

#endif
