#pragma once

// main() of a widget test program that reads or writes the settings file:
// listing the tests needs no display; running them starts Qt after the config
// folder has been pointed at a temporary one, so the user's settings file is
// never touched.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QString>

#include "support/TempDir.h"

// The temporary config folder while the tests run.
inline TempDir*& TemporaryConfigFolder() {
    static TempDir* folder = nullptr;
    return folder;
}

inline int RunTestsWithTemporaryConfig(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    TempDir folder;
    TempDir*& config = TemporaryConfigFolder();
    config = &folder;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(QString::fromStdString(folder.Path().string())));
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    config = nullptr;
    return result;
}
