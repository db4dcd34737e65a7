// The window with its navigation wired in, over real folders and a settings file of the
// test's own: a folder the user opens that cannot be read or entered is turned down with
// a beep and no message, and the lists and the working folder stay together. (Coming back
// after a restart is for real_restart_test.sh, with the real program.)

#include "platform/exif_reader.h"
#include "platform/settings_store.h"
#include "tests/navigation/config_home.h"
#include "tests/support/current_folder.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/recording_feedback.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/navigation_adapters.h"
#include "ui/window.h"

#include <QDir>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

QString qPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QStringList entries(const ui::FileList& list) {
    QStringList names;
    for (int i = 0; i < list.count(); ++i)
        names << list.name(i);
    return names;
}

// Folders with fewer permissions than their owner's usual, until the object goes.
class Permissions {
public:
    void set(const fs::path& folder, fs::perms perms) {
        fs::permissions(folder, perms);
        changed_.push_back(folder);
    }
    ~Permissions() {
        for (const fs::path& folder : changed_)
            fs::permissions(folder, fs::perms::owner_all);
    }

private:
    std::vector<fs::path> changed_;
};

// True where the permissions of a folder closed to its owner bind this process.
bool permissionsBind(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    fs::create_directory(probe);
    fs::permissions(probe, fs::perms::none);
    const bool bind = !QDir(qPath(probe)).isReadable();
    fs::permissions(probe, fs::perms::owner_all);
    return bind;
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void turnsDownFoldersThatCannotBeReadOrEntered();
    void file1DoesNotTakeAFolderItCannotRead();

private:
    void openWindow();                    // a new window, shown
    void openInDir1(const QString& name); // a double-click on a folder inside the shown one

    fixture::RecordingFeedback feedback_;
    platform::ExifShootingTimeSource exif_{"."};
    std::unique_ptr<fixture::TempFolder> root_;
    std::unique_ptr<fixture::ConfigHome> config_;
    std::unique_ptr<platform::SettingsStore> store_;
    std::unique_ptr<fixture::CurrentFolder> startIn_;
    std::unique_ptr<ui::Window> window_;
};

void WindowTest::init() {
    feedback_ = {};
    root_ = std::make_unique<fixture::TempFolder>();
    config_ = std::make_unique<fixture::ConfigHome>(root_->path() / "config");
    store_ = std::make_unique<platform::SettingsStore>();
    fs::create_directory(root_->path() / "start");
    startIn_ = std::make_unique<fixture::CurrentFolder>(root_->path() / "start");
}

void WindowTest::cleanup() {
    window_.reset();
    startIn_.reset();
    store_.reset();
    config_.reset();
    root_.reset();
}

void WindowTest::openWindow() {
    window_.reset();
    window_ = std::make_unique<ui::Window>(feedback_, exif_, *store_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(&window_->form1()));
}

void WindowTest::openInDir1(const QString& name) {
    auto* tree = window_->form1().dir1().findChild<QTreeWidget*>();
    const QList<QTreeWidgetItem*> found =
        tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    const QPoint centre = tree->visualItemRect(found.front()).center();
    // An item view takes a double-click only on the entry that the press before it hit.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
}

// Dir1 turns down a folder gone since it was listed; a folder it can list but that cannot
// be entered gets as far as the handlers, which take every list back.
void WindowTest::turnsDownFoldersThatCannotBeReadOrEntered() {
    const fs::path start = root_->path() / "start";
    for (const char* name : {"gone", "locked", "shut"})
        fs::create_directory(start / name);
    fixture::writePhoto(start / "IMG_0001.jpg", {});
    fixture::writePhoto(start / "locked" / "IMG_0002.jpg", {});
    openWindow();
    ui::Form1& form = window_->form1();

    fs::remove(start / "gone");
    openInDir1(QStringLiteral("gone"));
    QCOMPARE(feedback_.beeps, 1);

    if (!permissionsBind(root_->path()))
        QSKIP("folder permissions do not bind this user");
    Permissions permissions;
    permissions.set(start / "locked", fs::perms::owner_read); // listed, not entered
    permissions.set(start / "shut", fs::perms::owner_exec);   // entered, not listed
    openInDir1(QStringLiteral("locked"));
    QCOMPARE(feedback_.beeps, 2);
    openInDir1(QStringLiteral("shut"));
    QCOMPARE(feedback_.beeps, 3);

    QCOMPARE(form.dir1().path(), qPath(start));
    QCOMPARE(form.file1().path(), qPath(start));
    QCOMPARE(entries(form.file1()), QStringList({"IMG_0001.jpg"}));
    QCOMPARE(qPath(fs::current_path()), qPath(start));
    QCOMPARE(feedback_.messages, QStringList());
}

void WindowTest::file1DoesNotTakeAFolderItCannotRead() {
    if (!permissionsBind(root_->path()))
        QSKIP("folder permissions do not bind this user");
    const fs::path shut = root_->path() / "start" / "shut";
    fs::create_directory(shut);
    fixture::writePhoto(root_->path() / "start" / "IMG_0001.jpg", {});
    ui::FileList list;
    ui::FileListAdapter file1(list);
    QVERIFY(file1.setPattern("*.jpg"));

    Permissions permissions;
    permissions.set(shut, fs::perms::owner_exec);
    QVERIFY(!file1.setPath(shut.string()));
    QCOMPARE(file1.path(), (root_->path() / "start").string());
    QCOMPARE(entries(list), QStringList({"IMG_0001.jpg"}));
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
