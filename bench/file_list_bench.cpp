// tamblinor-bench-file-list: File1's listing of a folder against a bare baseline.
//
//   tamblinor-bench-file-list list FOLDER [RUNS]   medians of both, in milliseconds
//   tamblinor-bench-file-list memory FOLDER        lists FOLDER in a shown File1, then
//                                                  ends: run under /usr/bin/time -v for
//                                                  the peak memory (FOLDER may be empty)
//
// The baseline is what any listing must do: readdir through the folder and stat each
// entry, keeping the names. File1's time runs from setPath to the list painted on the
// screen: the listing, its natural order, the names handed to the view and the view's
// layout and paint. Runs alternate, each File1 run from an empty list.

#include "ui/file_list.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

double bareListing(const std::string& folder, std::size_t& count) {
    QElapsedTimer timer;
    timer.start();
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        std::perror(folder.c_str());
        std::exit(1);
    }
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        if (fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    closedir(dir);
    count = names.size();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double fileListListing(ui::FileList& list, const std::string& folder, const std::string& empty) {
    list.setPath(empty);
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    list.setPath(folder);
    list.repaint(); // lays out and paints the visible rows now, not at the next idle
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || (args[1] != "list" && args[1] != "memory")) {
        std::fprintf(stderr,
                     "usage: tamblinor-bench-file-list list FOLDER [RUNS] | memory FOLDER\n");
        return 64;
    }
    const std::string folder = QDir(args[2]).absolutePath().toStdString();

    // The file list starts on an empty folder, so that creating it costs nothing.
    const QTemporaryDir empty;
    ui::FileList list(empty.path().toStdString());
    list.setPattern("*.jpg");
    list.resize(250, 330); // about its size in the window
    list.show();
    QApplication::processEvents();

    if (args[1] == "memory") {
        list.setPath(folder);
        list.repaint();
        QApplication::processEvents();
        std::printf("listed %d photos\n", list.count());
        return 0;
    }

    const int runs = args.size() > 3 ? args[3].toInt() : 15;
    std::vector<double> bare;
    std::vector<double> file1;
    std::size_t entries = 0;
    for (int i = 0; i < runs + 1; ++i) { // the first pair warms the caches and is dropped
        const double b = bareListing(folder, entries);
        const double f = fileListListing(list, folder, empty.path().toStdString());
        if (i > 0) {
            bare.push_back(b);
            file1.push_back(f);
        }
    }
    std::printf("files %zu, listed %d, runs %d\n", entries, list.count(), runs);
    std::printf("bare readdir+stat median %.2f ms (min %.2f)\n", median(bare),
                *std::min_element(bare.begin(), bare.end()));
    std::printf("File1 setPath to painted median %.2f ms (min %.2f)\n", median(file1),
                *std::min_element(file1.begin(), file1.end()));
    std::printf("ratio %.2f\n", median(file1) / median(bare));
    return 0;
}
