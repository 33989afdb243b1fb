#ifndef KYRA_TESTS_DRIVER_TEMPFILES_H
#define KYRA_TESTS_DRIVER_TEMPFILES_H

// A fresh directory per test for the small files the readers and the
// krylovrun program are given.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TempFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "_" + test->name();
        for (char& c : name) c = c == '/' ? '_' : c;
        dir_ = std::filesystem::temp_directory_path() / ("kyra_io_" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string pathOf(const std::string& name) const { return (dir_ / name).string(); }

    // Writes text byte for byte; returns the file's path.
    std::string write(const std::string& text, const std::string& name = "file.mtx") const {
        std::ofstream(pathOf(name), std::ios::binary) << text;
        return pathOf(name);
    }
    std::string read(const std::string& name) const {
        std::ifstream in(pathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::filesystem::path dir_;
};

#endif
