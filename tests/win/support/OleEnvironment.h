// The web browser control needs OLE on the test thread for the whole run.
#pragma once

#include <gtest/gtest.h>
#include <ole2.h>

namespace vorn2::test {

class OleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
  void TearDown() override { OleUninitialize(); }
};

}  // namespace vorn2::test
