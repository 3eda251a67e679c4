// The window's scan against tonzettel-cli scan of the same tree, and loading
// 100,000 rows into the list. Runs offscreen; prints figures, checks nothing.
//
//   bench_ui_scan [files=10000] [rows=100000]

#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchTree.h"
#include "picker/DirTreeCombo.h"
#include "scan/FileRow.h"
#include "ui/FileListModel.h"
#include "ui/Unit1.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Resident and peak resident memory of this process in MiB, from /proc.
std::pair<double, double> MemoryMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    double rss = 0, peak = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) rss = std::atof(line.c_str() + 6) / 1024.0;
        if (line.rfind("VmHWM:", 0) == 0) peak = std::atof(line.c_str() + 6) / 1024.0;
    }
    return {rss, peak};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double CliScan(const QString& cli, const QString& folder) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = Clock::now();
    process.start(cli, {QStringLiteral("scan"), folder});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        std::fprintf(stderr, "tonzettel-cli scan failed\n");
        std::exit(1);
    }
    return Seconds(start);
}

// Rows as a scan of a large collection gives them, through the same conversion.
std::vector<ListRow> SyntheticRows(int count) {
    std::vector<ListRow> rows;
    rows.reserve(static_cast<size_t>(count));
    FileRow row;
    for (int i = 0; i < count; ++i) {
        const int artist = i / 200, album = i / 12;
        row.ImageIndex = i % 3;
        row.Cells = {
            "Titel " + std::to_string(i) + " - Interpret " + std::to_string(artist) + ".mp3",
            "Interpret " + std::to_string(artist),
            "Album " + std::to_string(album),
            "Titel " + std::to_string(i),
            "2004",
            "Rock",
            "",
            i % 3 == 0 ? "128 KBit/s" : "192 KBit/s",
            "44100 Hz",
            std::to_string(2 + i % 5) + ":" + std::to_string(10 + i % 50),
            std::to_string(3 + i % 6) + ",42 MB",
            "LAME3.99",
            "/home/hoerer/Musik/Interpret " + std::to_string(artist) + "/Album " +
                std::to_string(album) + "/"};
        rows.push_back(ToListRow(row));
    }
    return rows;
}

}  // namespace

int main(int argc, char* argv[]) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int rowCount = argc > 2 ? std::atoi(argv[2]) : 100000;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/tonzettel-cli");
    if (!QFile::exists(cli)) {
        std::fprintf(stderr, "%s not found\n", qPrintable(cli));
        return 1;
    }

    namespace fs = std::filesystem;
    const fs::path tree = fs::temp_directory_path() / ("tz-bench-ui-" + std::to_string(::getpid()));
    auto start = Clock::now();
    MakeBenchTree(tree.string(), files);
    std::printf("tree of %d files written in %.2f s\n", files, Seconds(start));

    TForm1 form;
    form.show();
    QApplication::processEvents();
    form.DirCombo()->SetSelectedPath(QString::fromStdString(tree.string()));

    // Warm-up of both, then alternate so neither profits from the other's cache.
    CliScan(cli, QString::fromStdString(tree.string()));
    form.ScannenButtonClick();
    std::vector<double> window, command;
    for (int run = 0; run < 3; ++run) {
        start = Clock::now();
        form.ScannenButtonClick();
        QApplication::processEvents();  // the rows' first paint
        window.push_back(Seconds(start));
        command.push_back(CliScan(cli, QString::fromStdString(tree.string())));
    }
    std::printf(
        "scan of %d files (%d rows): window %.3f s, tonzettel-cli %.3f s, ratio %.2f "
        "(median of 3)\n",
        files, form.Model()->RowCount(), Median(window), Median(command),
        Median(window) / Median(command));
    std::printf("status: %s | %s\n", qPrintable(form.StatusText(0)),
                qPrintable(form.StatusText(1)));
    form.Model()->Clear();
    fs::remove_all(tree);

    const auto [rssBefore, peakBefore] = MemoryMiB();
    std::vector<ListRow> rows = SyntheticRows(rowCount);
    start = Clock::now();
    form.Model()->ReplaceRows(std::move(rows));
    QApplication::processEvents();
    const double load = Seconds(start);
    start = Clock::now();
    QTreeView* view = form.ListView();
    view->scrollToBottom();
    view->viewport()->repaint();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    view->viewport()->repaint();
    const double scroll = Seconds(start);
    start = Clock::now();
    view->selectAll();
    const int selected = form.SelectionCount();
    const double selectAll = Seconds(start);
    const auto [rssAfter, peakAfter] = MemoryMiB();
    std::printf(
        "load of %d rows into the list: %.3f s; two jumps with repaint %.1f ms; "
        "select all (%d) %.1f ms\n",
        form.Model()->RowCount(), load, scroll * 1000, selected, selectAll * 1000);
    std::printf(
        "memory: resident %.1f MiB before the rows, %.1f MiB with them; peak %.1f MiB "
        "(peak before %.1f MiB)\n",
        rssBefore, rssAfter, peakAfter, peakBefore);
    return 0;
}
