// The window with its navigation wired in, over real folders and a settings file of the
// test's own: a folder the user opens that cannot be read or entered is turned down with
// a beep and no message, and the lists, the highlight and the working folder stay
// together; names that are not UTF-8 are opened and renamed as the command line does,
// and the command line takes the window's run back.
// (Coming back after a restart is for real_restart_test.sh, with the real program.)

#include "platform/exif/exif_reader.h"
#include "platform/settings/user_settings.h"
#include "tests/support/config_home.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/process.h"
#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/file_list_entries.h"
#include "tests/ui/recording_feedback.h"
#include "ui/birthday_box.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/navigation_adapters.h"
#include "ui/window_wiring.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace fs = std::filesystem;
using fixture::entries;

namespace {

QString qPath(const fs::path& path) {
    return QString::fromStdString(path.string());
}

// The folder of the entry highlighted in the folder list.
std::string highlighted(const ui::MainWindow& form) {
    const auto* tree = form.folderList().findChild<QTreeWidget*>();
    return tree->currentItem()->data(0, Qt::UserRole).toByteArray().toStdString();
}

// The names in a folder, as bytes, sorted.
std::vector<std::string> listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
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
    void fileListDoesNotTakeAFolderItCannotRead();
    void opensAndRenamesNamesThatAreNotUtf8AsTheCommandLineDoes();
    void showsTheFolderDroppedOnIt();
    void listsPhoneMediaWhileItsEntryIsChecked();

private:
    void openWindow();                          // a new window, shown
    ui::MainWindow& wiredWindow() const;        // the window openWindow() showed
    void openInFolderList(const QString& name); // a double-click on a folder inside the shown one

    fixture::RecordingFeedback feedback_;
    std::unique_ptr<fixture::TempFolder> root_;
    std::unique_ptr<fixture::ConfigHome> config_;
    std::unique_ptr<fixture::StateHome> state_;
    std::unique_ptr<platform::UserSettings> store_;
    fs::path processFolder_; // the process's current folder, which the window never changes
    std::unique_ptr<ui::WindowWiring> window_;
};

void WindowTest::init() {
    feedback_ = {};
    root_ = std::make_unique<fixture::TempFolder>();
    config_ = std::make_unique<fixture::ConfigHome>(root_->path() / "config");
    state_ = std::make_unique<fixture::StateHome>(root_->path() / "state");
    store_ = std::make_unique<platform::UserSettings>(config_->location());
    fs::create_directory(root_->path() / "start");
    processFolder_ = fs::current_path();
}

void WindowTest::cleanup() {
    window_.reset();
    store_.reset();
    state_.reset();
    config_.reset();
    root_.reset();
}

void WindowTest::openWindow() {
    window_.reset();
    window_ = std::make_unique<ui::WindowWiring>(
        (root_->path() / "start").string(), feedback_,
        [](const std::string& folder) {
            return std::make_unique<platform::ExifShootingTimeSource>(folder);
        },
        *store_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(&wiredWindow()));
}

// The wiring keeps its window to itself; it is the application's one window of its kind.
ui::MainWindow& WindowTest::wiredWindow() const {
    const QWidgetList windows = QApplication::topLevelWidgets();
    const auto found = std::find_if(windows.begin(), windows.end(), [](QWidget* window) {
        return qobject_cast<ui::MainWindow*>(window) != nullptr;
    });
    Q_ASSERT(found != windows.end());
    return *qobject_cast<ui::MainWindow*>(*found);
}

void WindowTest::openInFolderList(const QString& name) {
    auto* tree = wiredWindow().folderList().findChild<QTreeWidget*>();
    const QList<QTreeWidgetItem*> found =
        tree->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(found.size(), 1);
    const QPoint centre = tree->visualItemRect(found.front()).center();
    // An item view takes a double-click only on the entry that the press before it hit.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
}

// The folder list turns down a folder gone since it was listed; a folder it can list but
// that cannot be entered gets as far as the handlers, which take every list back.
void WindowTest::turnsDownFoldersThatCannotBeReadOrEntered() {
    const fs::path start = root_->path() / "start";
    for (const char* name : {"gone", "locked", "shut"})
        fs::create_directory(start / name);
    fixture::writePhoto(start / "IMG_0001.jpg", {});
    fixture::writePhoto(start / "locked" / "IMG_0002.jpg", {});
    openWindow();
    ui::MainWindow& form = wiredWindow();

    fs::remove(start / "gone");
    openInFolderList(QStringLiteral("gone"));
    QCOMPARE(feedback_.beeps, 1);
    QCOMPARE(highlighted(form), start.string());

    if (!permissionsBind(root_->path()))
        QSKIP("folder permissions do not bind this user");
    Permissions permissions;
    permissions.set(start / "locked", fs::perms::owner_read); // listed, not entered
    permissions.set(start / "shut", fs::perms::owner_exec);   // entered, not listed
    openInFolderList(QStringLiteral("locked"));
    QCOMPARE(feedback_.beeps, 2);
    QCOMPARE(highlighted(form), start.string());
    openInFolderList(QStringLiteral("shut"));
    QCOMPARE(feedback_.beeps, 3);
    QCOMPARE(highlighted(form), start.string());

    QCOMPARE(form.folderList().path(), start.string());
    QCOMPARE(form.fileList().path(), start.string());
    QCOMPARE(entries(form.fileList()), QStringList({"IMG_0001.jpg"}));
    QCOMPARE(qPath(fs::current_path()), qPath(processFolder_));
    QCOMPARE(feedback_.messages, QStringList());
}

void WindowTest::fileListDoesNotTakeAFolderItCannotRead() {
    if (!permissionsBind(root_->path()))
        QSKIP("folder permissions do not bind this user");
    const fs::path shut = root_->path() / "start" / "shut";
    fs::create_directory(shut);
    fixture::writePhoto(root_->path() / "start" / "IMG_0001.jpg", {});
    ui::FileList list((root_->path() / "start").string());
    ui::FileListAdapter adapter(list);
    QVERIFY(adapter.setPattern("*.jpg"));

    Permissions permissions;
    permissions.set(shut, fs::perms::owner_exec);
    QVERIFY(!adapter.setPath(shut.string()));
    QCOMPARE(adapter.path(), (root_->path() / "start").string());
    QCOMPARE(entries(list), QStringList({"IMG_0001.jpg"}));
}

// GBK names, as a card written under a Chinese locale holds them: the folder 照片 with
// 宝宝.jpg, 满月.jpg and 扫描.jpg, the last without a shooting time. The folder list opens the
// folder, the file list shows the names readably, the rename-all button gives the folder
// the names that tamblinor-cli gives a copy of it, and tamblinor-cli --undo gives the
// folder its GBK names back.
void WindowTest::opensAndRenamesNamesThatAreNotUtf8AsTheCommandLineDoes() {
#ifdef Q_OS_WIN
    QSKIP("names on Windows are UTF-16 text, never stray bytes");
#endif
    const std::string folder = "\xd5\xd5\xc6\xac";
    const std::vector<std::string> photos{"\xb1\xa6\xb1\xa6.jpg", "\xc2\xfa\xd4\xc2.jpg",
                                          "\xc9\xa8\xc3\xe8.jpg"};
    const fs::path start = root_->path() / "start";
    const fs::path inWindow = start / folder;
    const fs::path byCli = root_->path() / "cli";
    fs::create_directory(inWindow);
    fixture::writePhoto(inWindow / photos[0], {.dateTimeOriginal = "2007:03:15 14:05:33"});
    fixture::writePhoto(inWindow / photos[1], {.dateTimeOriginal = "2006:06:10 10:00:00"});
    fixture::writePhoto(inWindow / photos[2], {});
    fs::copy(inWindow, byCli);
    openWindow();
    ui::MainWindow& form = wiredWindow();

    openInFolderList(QString::fromUtf8(folder));
    QCOMPARE(form.folderList().path(), inWindow.string());
    QCOMPARE(form.fileList().path(), inWindow.string());
    QCOMPARE(form.fileList().count(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(form.fileList().fileName(i), photos[i]);
        QCOMPARE(entries(form.fileList()).at(i), QString::fromUtf8(photos[i]));
    }
    form.birthdayBox().setText(QStringLiteral("2006-05-10"));
    QTest::mouseClick(form.findChild<QWidget*>(QStringLiteral("Command1")), Qt::LeftButton);

    QCOMPARE(
        QProcess::execute(QStringLiteral(TAMBLINOR_CLI),
                          {"--birthday", "2006-05-10", QString::fromStdString(byCli.string())}),
        0);
    const std::vector<std::string> renamed{"0岁10月6天(14点05分33秒).jpg",
                                           "0岁1月1天(10点00分00秒).jpg", photos[2]};
    QCOMPARE(listing(byCli), renamed);
    QCOMPARE(listing(inWindow), renamed);
    QCOMPARE(feedback_.messages, QStringList());

    // Started inside the folder, whose GBK name no QString carries.
    const fixture::Finished undo = fixture::runProgram(TAMBLINOR_CLI, {"--undo"}, inWindow);
    QCOMPARE(undo.status, 0);
    QCOMPARE(undo.err, std::string());
    QCOMPARE(listing(inWindow), photos);
}

// Anywhere on the window, the birthday box too: a folder, a photo meaning its folder, and
// what cannot be opened, refused with a beep with every list where it was.
void WindowTest::showsTheFolderDroppedOnIt() {
    const fs::path start = root_->path() / "start";
    fs::create_directories(start / "a" / "b");
    fixture::writePhoto(start / "a" / "IMG_0001.jpg", {});
    openWindow();
    ui::MainWindow& form = wiredWindow();
    QWidget* box = form.birthdayBox().findChild<QLineEdit*>();
    const struct {
        QWidget* target;
        fs::path dropped;
        fs::path shown;
        int beeps;
    } drops[]{{&form, start / "a" / "b", start / "a" / "b", 0},
              {box, start / "a" / "IMG_0001.jpg", start / "a", 0},
              {&form, start / "gone", start / "a", 1},
              {box, start / "gone.jpg", start / "a", 2}};
    for (const auto& drop : drops) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(qPath(drop.dropped))});
        // Never taken as a move, after which the source may delete what it sent.
        const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter({5, 5}, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(drop.target, &enter);
        QVERIFY(enter.isAccepted());
        QCOMPARE(enter.dropAction(), Qt::CopyAction);
        QDropEvent dropped({5, 5}, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
        const int beeps = feedback_.beeps;
        QApplication::sendEvent(drop.target, &dropped);
        QCOMPARE(dropped.isAccepted() ? dropped.dropAction() : Qt::IgnoreAction,
                 feedback_.beeps == beeps ? Qt::CopyAction : Qt::IgnoreAction);
        QCOMPARE(form.fileList().path(), drop.shown.string());
        QCOMPARE(highlighted(form), drop.shown.string());
        QCOMPARE(feedback_.beeps, drop.beeps);
    }
    QCOMPARE(form.birthdayBox().text(), QString());
}

// The file list's entry lists phone videos and HEIC photos too; its state is stored at once
// and comes back with the next window.
void WindowTest::listsPhoneMediaWhileItsEntryIsChecked() {
    const fs::path start = root_->path() / "start";
    fixture::writePhoto(start / "IMG_0001.jpg", {});
    for (const char* name : {"IMG_0001.MOV", "IMG_0002.heic"})
        std::ofstream(start / name) << name;
    openWindow();
    QAction& entry = wiredWindow().allMediaEntry();
    QVERIFY(!entry.isChecked());
    // Shift+F10 opens the list's menu, as the Menu key does.
    auto* view = wiredWindow().fileList().findChild<QListView*>();
    wiredWindow().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&wiredWindow()));
    view->setFocus();
    bool offered = false;
    QTimer::singleShot(0, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            offered = menu->actions().contains(&entry);
            menu->close();
        }
    });
    QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(offered);
    QCOMPARE(entries(wiredWindow().fileList()), QStringList{"IMG_0001.jpg"});
    view->selectionModel()->select(view->model()->index(0, 0), QItemSelectionModel::Select);
    entry.trigger();
    QCOMPARE(entries(wiredWindow().fileList()),
             (QStringList{"IMG_0001.jpg", "IMG_0001.MOV", "IMG_0002.heic"}));
    QVERIFY(wiredWindow().fileList().selected(0)); // still selected
    openWindow();
    QVERIFY(wiredWindow().allMediaEntry().isChecked());
    QCOMPARE(entries(wiredWindow().fileList()).size(), 3);
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
