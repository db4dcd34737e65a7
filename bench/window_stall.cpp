// tamblinor-bench-window-stall: the window's longest pause in answering during a run.
//
//   tamblinor-bench-window-stall FOLDER BIRTHDAY NAMES
//
// Builds the window as the program does (ui::WindowWiring; the settings kept in memory)
// on FOLDER, offscreen, waits until File1 lists the folder's photos, types BIRTHDAY into
// Text1 and clicks Command1 (全部改名). A timer of 1 ms ticks from before the click until
// File1 shows exactly the names listed in the file NAMES (one a line: the names the run
// gives): the longest gap between two ticks, less the interval, is the longest the event
// loop went without answering. The same is measured over an idle second before the click,
// as the floor of the measure on a busy machine. Knows nothing of how the window runs a
// batch: whether it works on the window's thread or another, only the click and the list
// are looked at. A message box (the run failed) ends it with status 1.

#include "navigation/interfaces.h"
#include "ui/file_list.h"
#include "ui/user_feedback.h"
#include "ui/window_wiring.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <unordered_set>

namespace {

constexpr int kTickMs = 1;
constexpr qint64 kIdleMs = 1000;
constexpr int kCheckMs = 20; // how often File1 is looked at for the run's end
constexpr qint64 kGiveUpMs = 1'800'000;

class MemorySettings final : public navigation::SettingsStore {
public:
    std::string read(std::string_view key) const override {
        const auto found = values_.find(key);
        return found == values_.end() ? std::string() : found->second;
    }
    std::optional<navigation::Failure> write(std::string_view key,
                                             const std::string& value) override {
        values_.insert_or_assign(std::string(key), value);
        return std::nullopt;
    }

private:
    std::map<std::string, std::string, std::less<>> values_;
};

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "tamblinor-bench-window-stall: %s\n", why.c_str());
    std::exit(1);
}

// The longest gap between the ticks of a fine timer, from start() to the last tick seen.
class StallMeter : public QObject {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        connect(&timer_, &QTimer::timeout, this, &StallMeter::tick);
    }

    void start() {
        longest_ = 0;
        ticks_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start();
    }
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
        ++ticks_;
    }
    qint64 elapsedNs() const { return clock_.nsecsElapsed(); }
    double longestStallMs() const {
        return std::max<double>(0, static_cast<double>(longest_) / 1e6 - kTickMs);
    }
    long ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    long ticks_ = 0;
};

class Bench : public QObject {
public:
    Bench(QWidget& window, QString birthday, std::unordered_set<std::string> expected)
        : window_(window), files_(*window.findChild<ui::FileList*>(QStringLiteral("File1"))),
          birthday_(std::move(birthday)), expected_(std::move(expected)) {
        connect(&checker_, &QTimer::timeout, this, &Bench::check);
        checker_.start(kCheckMs);
    }

private:
    enum class Stage { Listing, Idle, Running };

    void check() {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            fail("the window said: " + box->text().toStdString());
        if (stage_ == Stage::Running && meter_.elapsedNs() > kGiveUpMs * 1'000'000)
            fail("the run did not end");
        switch (stage_) {
        case Stage::Listing:
            if (files_.count() == static_cast<int>(expected_.size())) {
                stage_ = Stage::Idle;
                meter_.start();
            }
            break;
        case Stage::Idle:
            if (meter_.elapsedNs() >= kIdleMs * 1'000'000) {
                idleStallMs_ = meter_.longestStallMs();
                stage_ = Stage::Running;
                QTimer::singleShot(0, this, &Bench::click);
                meter_.start();
            }
            break;
        case Stage::Running:
            if (showsRenamedNames())
                report();
            break;
        }
    }

    void click() {
        auto* text1 = window_.findChild<QWidget*>(QStringLiteral("Text1"));
        QTest::keyClicks(text1->findChild<QLineEdit*>(), birthday_);
        QTest::mouseClick(window_.findChild<QAbstractButton*>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }

    bool showsRenamedNames() const {
        const int count = files_.count();
        if (count != static_cast<int>(expected_.size()) ||
            (count > 0 && !expected_.contains(files_.fileName(0))))
            return false;
        for (int i = 0; i < count; ++i) {
            if (!expected_.contains(files_.fileName(i)))
                return false;
        }
        return true;
    }

    void report() {
        meter_.tick();
        std::printf("photos %zu, run %.3f s, longest stall %.1f ms (%ld ticks of %d ms), "
                    "idle before the run %.1f ms\n",
                    expected_.size(), static_cast<double>(meter_.elapsedNs()) / 1e9,
                    meter_.longestStallMs(), meter_.ticks(), kTickMs, idleStallMs_);
        std::fflush(stdout);
        QApplication::quit();
    }

    QWidget& window_;
    ui::FileList& files_;
    QString birthday_;
    std::unordered_set<std::string> expected_;
    QTimer checker_;
    StallMeter meter_;
    Stage stage_ = Stage::Listing;
    double idleStallMs_ = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: tamblinor-bench-window-stall FOLDER BIRTHDAY NAMES\n");
        return 64;
    }
    std::unordered_set<std::string> expected;
    std::ifstream names(args[3].toStdString());
    for (std::string name; std::getline(names, name);)
        expected.insert(name);
    if (expected.empty())
        fail("no names in " + args[3].toStdString());

    ui::DialogFeedback feedback;
    MemorySettings settings;
    ui::WindowWiring wiring(args[1].toStdString(), feedback, {}, settings);
    wiring.show();
    QWidget* window = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String("Form1"))
            window = top;
    }
    if (window == nullptr)
        fail("no window Form1");
    Bench bench(*window, args[2], std::move(expected));
    return QApplication::exec();
}
