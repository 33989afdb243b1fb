#ifndef KYRA_TESTS_DRIVER_TEMPFILES_H
#define KYRA_TESTS_DRIVER_TEMPFILES_H

// A fresh directory per test for the small files the readers are given.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

class TempFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "_" + test->name();
        for (char& c : name) {
            if (c == '/') c = '_';
        }
        dir_ = std::filesystem::temp_directory_path() / ("kyra_io_" + name);
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes text byte for byte to a file in the directory; returns its path.
    std::string write(const std::string& text, const std::string& name = "file.mtx") const {
        const std::string path = pathOf(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string read(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::string pathOf(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};

#endif
