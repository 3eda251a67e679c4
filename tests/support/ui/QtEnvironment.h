#pragma once

// The QApplication of a widget test program, started when the tests run (so
// that listing them needs no display) and ended after them.

#include <gtest/gtest.h>

#include <QApplication>
#include <functional>
#include <memory>
#include <string>
#include <utility>

class QtEnvironment : public ::testing::Environment {
  public:
    // name: the program name Qt is given; started: runs right after the start.
    explicit QtEnvironment(std::string name, std::function<void()> started = {})
        : name_(std::move(name)), started_(std::move(started)) {}
    void SetUp() override {
        argv_[0] = name_.data();
        app_ = std::make_unique<QApplication>(argc_, argv_);
        if (started_) started_();
    }
    void TearDown() override { app_.reset(); }

  private:
    std::string name_;
    std::function<void()> started_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> app_;
};
