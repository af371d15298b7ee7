// Test fixture for tests that touch the global application and write files:
// a clean application before and after each test, and a scratch folder of
// the test's own (`dir_`) that is removed afterwards.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/workbook/Wb_Workbook.h"

class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    dir_ = std::filesystem::temp_directory_path() /
           ("corvan-" + std::string(::testing::UnitTest::GetInstance()->current_test_suite()->name()) + "-" +
            std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    Wb_resetApp();
    std::filesystem::remove_all(dir_);
  }
  std::filesystem::path dir_;
};
