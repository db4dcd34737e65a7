// The controls of our own on their own: the file list's listing and extended selection,
// the folder list's entries and how it opens folders, the drive list's choice of drive,
// and the birthday box's length limit that refuses typing but keeps whatever the program
// sets. Change events are checked to
// arrive inside the assignment, before it returns.

#include "tests/support/temp_folder.h"
#include "tests/ui/file_list_entries.h"
#include "ui/birthday_box.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"

#include <QComboBox>
#include <QDir>
#include <QInputMethodQueryEvent>
#include <QLineEdit>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

using fixture::entries;

namespace {

// The path in the system's notation, as the lists give theirs.
std::string native(std::filesystem::path path) {
    const std::u8string text = path.make_preferred().u8string();
    return {text.begin(), text.end()};
}

QList<int> selectedRows(const ui::FileList& list) {
    QList<int> rows;
    for (int i = 0; i < list.count(); ++i) {
        if (list.selected(i))
            rows << i;
    }
    return rows;
}

QImage iconImage(const QIcon& icon, QIcon::Mode mode = QIcon::Normal) {
    return icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Wine looks through the whole folder for a name differing only in case before it makes
// a file, so the photos of a large folder take it minutes to make; the listing's order is
// as well tested by fewer.
int photosInALargeFolder() {
#ifdef Q_OS_WIN
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        return 2000;
#endif
    return 20000;
}

QImage artwork(const QString& resource) {
    return QImage(resource).convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class ListControlsTest : public QObject {
    Q_OBJECT

private slots:
    void fileListListsItsFolderUntilRefreshed();
    void fileListReadsItsFolderWhenFirstLookedAt();
    void fileListSelectsWithClickShiftAndCtrl();
    void fileListListsAFolderOf20000Photos();

    void folderListShowsFoldersAboveAndInside();
    void folderListOpensFoldersByProgramAndByUser();

    void driveListStartsOnTheDriveOfItsStartFolder();
    void driveListAcceptsOnlyDrivesItReported();

    void birthdayBoxRefusesMoreThanTenTypedCharacters();
    void birthdayBoxKeepsALongerTextSetByTheProgram();
    void birthdayBoxKeepsTheInputMethodOff();
};

// Names in natural order without regard to case, numbered from 0, and kept as they were
// until the folder is read again.
void ListControlsTest::fileListListsItsFolderUntilRefreshed() {
    const fixture::TempFolder folder;
    for (const char* name : {"IMG_10.jpg", "b.JPG", "IMG_2.jpg", ".hidden.jpg", "notes.txt"})
        folder.write(name, "x");
    std::filesystem::create_directory(folder.path() / "sub.jpg");
    ui::FileList list(native(folder.path()));
    QVERIFY(list.setPath(native(folder.path())));
    list.setPattern("*.jpg");
    QCOMPARE(list.path(), native(folder.path()));
    QCOMPARE(entries(list), QStringList({"b.JPG", "IMG_2.jpg", "IMG_10.jpg"}));

    folder.write("a.jpg", "x");
    std::filesystem::rename(folder.path() / "b.JPG", folder.path() / "c.jpg");
    QVERIFY(!list.setPath(native(folder.path() / "gone")));
    QVERIFY(!list.setPath(native(folder.path() / "a.jpg")));
    QCOMPARE(list.path(), native(folder.path()));
    QCOMPARE(entries(list), QStringList({"b.JPG", "IMG_2.jpg", "IMG_10.jpg"}));

    list.refresh();
    QCOMPARE(entries(list), QStringList({"a.jpg", "c.jpg", "IMG_2.jpg", "IMG_10.jpg"}));
}

// Folder and pattern set in a row, as the window does while it opens, read the folder
// once, at the first look; a listing taken at each change would miss the late photo.
void ListControlsTest::fileListReadsItsFolderWhenFirstLookedAt() {
    const fixture::TempFolder folder;
    folder.write("IMG_1.jpg", "x");
    folder.write("notes.txt", "x");
    ui::FileList list(native(folder.path()));
    QVERIFY(list.setPath(native(folder.path())));
    list.setPattern("*.jpg");
    folder.write("IMG_2.jpg", "x");

    QCOMPARE(entries(list), QStringList({"IMG_1.jpg", "IMG_2.jpg"}));
    folder.write("IMG_3.jpg", "x");
    QCOMPARE(list.count(), 2); // read once, kept until the next change

    list.resize(233, 306);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    list.setPattern("*.txt");
    list.grab(); // the view, painting, is the first to look
    folder.write("later.txt", "x");
    QCOMPARE(entries(list), QStringList({"notes.txt"}));
}

void ListControlsTest::fileListSelectsWithClickShiftAndCtrl() {
    const fixture::TempFolder folder;
    for (int i = 0; i < 6; ++i)
        folder.write("IMG_" + std::to_string(i) + ".jpg", "x");
    ui::FileList list(native(folder.path()));
    list.resize(233, 306);
    list.setPath(native(folder.path()));
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto* view = list.findChild<QListView*>();
    auto click = [view](int row, Qt::KeyboardModifiers modifiers = {}) {
        const QPoint centre = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, centre);
    };

    click(1);
    click(3, Qt::ControlModifier);
    QCOMPARE(selectedRows(list), QList<int>({1, 3}));
    click(5, Qt::ShiftModifier); // the range from the last clicked entry
    QCOMPARE(selectedRows(list), QList<int>({1, 3, 4, 5}));
    click(4, Qt::ControlModifier);
    QCOMPARE(selectedRows(list), QList<int>({1, 3, 5}));
    click(0);
    QCOMPARE(selectedRows(list), QList<int>({0}));

    list.refresh();
    QCOMPARE(selectedRows(list), QList<int>());
}

void ListControlsTest::fileListListsAFolderOf20000Photos() {
    const fixture::TempFolder folder;
    ui::FileList list(native(folder.path())); // shown while still empty
    list.resize(233, 306);
    list.setPattern("*.jpg");
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    const int photos = photosInALargeFolder();
    for (int i = 1; i <= photos; ++i)
        std::ofstream(folder.path() / ("IMG_" + std::to_string(i) + ".jpg"));

    // How fast is the benchmark's business; here, that all of them are listed in order.
    list.setPath(native(folder.path()));
    list.grab();

    QCOMPARE(list.count(), photos);
    const QStringList shown = entries(list);
    QCOMPARE(shown.at(1), QStringLiteral("IMG_2.jpg"));
    QCOMPARE(shown.at(photos - 1), QStringLiteral("IMG_%1.jpg").arg(photos));
}

void ListControlsTest::folderListShowsFoldersAboveAndInside() {
    const fixture::TempFolder folder;
    for (const char* name : {"c10", "B", "a", "c9", ".hidden"})
        std::filesystem::create_directory(folder.path() / name);
    folder.write("file.txt", "x");

    ui::FolderList list(native(folder.path()));
    QVERIFY(list.setPath(native(folder.path())));
    auto* tree = list.findChild<QTreeWidget*>();

    // One entry per level from the root down to the folder, which holds its subfolders.
    QTreeWidgetItem* item = tree->topLevelItem(0);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(item->text(0), QDir::toNativeSeparators(QDir::rootPath()));
    while (item->data(0, Qt::UserRole).toByteArray().toStdString() != list.path()) {
        QCOMPARE(item->childCount(), 1);
        item = item->child(0);
    }
    QTreeWidgetItem* shown = item;
    QCOMPARE(tree->currentItem(), shown);
    QStringList inside;
    for (int i = 0; i < shown->childCount(); ++i)
        inside << shown->child(i)->text(0);
    QCOMPARE(inside, QStringList({"a", "B", "c9", "c10"}));

    // The program's own icons: an open folder down to the shown one, closed ones inside.
    const QImage open = artwork(QStringLiteral(":/folder-open-16.png"));
    const QImage closed = artwork(QStringLiteral(":/folder-closed-16.png"));
    QCOMPARE(open.size(), QSize(16, 16));
    QCOMPARE(closed.size(), QSize(16, 16));
    QVERIFY(open != closed);
    for (const QTreeWidgetItem* above = shown; above; above = above->parent())
        QCOMPARE(iconImage(above->icon(0)), open);
    for (int i = 0; i < shown->childCount(); ++i)
        QCOMPARE(iconImage(shown->child(i)->icon(0)), closed);
    QCOMPARE(iconImage(shown->icon(0), QIcon::Selected), open); // not tinted when selected

    list.resize(177, 278);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    // Every entry fits its column whole: icon and name.
    for (QTreeWidgetItemIterator entry(tree); *entry; ++entry) {
        const int end = tree->visualItemRect(*entry).left() + 16 +
                        tree->fontMetrics().horizontalAdvance((*entry)->text(0));
        QVERIFY(end < tree->columnWidth(0));
    }
    const int shownLeft = tree->visualItemRect(shown).left();
    QVERIFY(tree->visualItemRect(shown->parent()).left() < shownLeft);
    QVERIFY(tree->visualItemRect(shown->child(0)).left() > shownLeft);
}

void ListControlsTest::folderListOpensFoldersByProgramAndByUser() {
    const fixture::TempFolder folder;
    std::filesystem::create_directory(folder.path() / "sub");
    const std::string sub = native(folder.path() / "sub");
    ui::FolderList list(native(folder.path()));
    list.resize(177, 278);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    auto* tree = list.findChild<QTreeWidget*>();
    QSignalSpy changed(&list, &ui::FolderList::pathChanged);

    QVERIFY(list.setPath(sub));
    QCOMPARE(changed.count(), 1); // raised before setPath() returned
    QCOMPARE(changed.at(0).at(0).value<std::string>(), sub);
    QVERIFY(list.setPath(sub));
    QVERIFY(!list.setPath(native(folder.path() / "gone")));
    QVERIFY(!list.setPath(std::string()));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(list.path(), sub);

    // Enter on the folder above, then a double-click on the one inside.
    tree->setFocus();
    tree->setCurrentItem(tree->currentItem()->parent());
    QTest::keyClick(tree, Qt::Key_Return);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(list.path(), native(folder.path()));
    const QPoint subCentre = tree->visualItemRect(tree->currentItem()->child(0)).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, subCentre);
    QCOMPARE(changed.count(), 2); // a single click only highlights
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, subCentre);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(list.path(), sub);

    // A change refused elsewhere (a drive) sets the list to the folder it already shows,
    // wherever the user had moved the highlight: it comes back to that folder.
    QTreeWidgetItem* shown = tree->currentItem();
    tree->setCurrentItem(shown->parent());
    QVERIFY(list.setPath(sub));
    QCOMPARE(tree->currentItem(), shown);
    QCOMPARE(changed.count(), 3);
}

void ListControlsTest::driveListStartsOnTheDriveOfItsStartFolder() {
    const fixture::TempFolder folder;
    ui::DriveList list(native(folder.path()));
    const QString drive = QDir::fromNativeSeparators(list.drive());
    const QString current =
        QDir::fromNativeSeparators(QString::fromStdString(native(folder.path())));
    QVERIFY(!drive.isEmpty());
    QVERIFY2(current.startsWith(drive), qPrintable(drive + " does not hold " + current));
    // No listed drive lies deeper on the current folder's path.
    const auto* combo = list.findChild<QComboBox*>();
    for (int i = 0; i < combo->count(); ++i) {
        const QString other = combo->itemData(i).toString();
        QVERIFY(!(other.size() > drive.size() && current.startsWith(other + '/')));
    }
}

void ListControlsTest::driveListAcceptsOnlyDrivesItReported() {
    ui::DriveList list(QDir::rootPath().toStdString());
    const auto* combo = list.findChild<QComboBox*>();
    const QString drive = list.drive();
    QSignalSpy changed(&list, &ui::DriveList::driveChanged);

    QVERIFY(list.setDrive(drive));
    QVERIFY(list.setDrive(combo->currentText())); // the entry as shown
    QVERIFY(!list.setDrive(QStringLiteral("/no/such/drive")));
    QVERIFY(!list.setDrive(QString()));
    QCOMPARE(list.drive(), drive);
    QCOMPARE(changed.count(), 0);

    if (combo->count() < 2)
        QSKIP("this machine offers a single drive");
    const QString other = combo->itemData(combo->currentIndex() == 0 ? 1 : 0).toString();
    QVERIFY(list.setDrive(other));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), other);
    QCOMPARE(list.drive(), other);
}

void ListControlsTest::birthdayBoxRefusesMoreThanTenTypedCharacters() {
    ui::BirthdayBox box;
    QSignalSpy changed(&box, &ui::BirthdayBox::textChanged);
    auto* edit = box.findChild<QLineEdit*>();

    QTest::keyClicks(edit, QStringLiteral("2007-03-26x"));
    QCOMPARE(box.text(), QStringLiteral("2007-03-26"));
    QCOMPARE(changed.count(), 10); // once for every character that went in
    QCOMPARE(changed.last().at(0).toString(), QStringLiteral("2007-03-26"));

    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("2007-3-26"));
    QCOMPARE(box.text(), QStringLiteral("2007-3-26"));
}

void ListControlsTest::birthdayBoxKeepsALongerTextSetByTheProgram() {
    ui::BirthdayBox box;
    QSignalSpy changed(&box, &ui::BirthdayBox::textChanged);
    auto* edit = box.findChild<QLineEdit*>();
    const QString remembered = QStringLiteral("2007-03-26 (Monday)");

    box.setText(remembered);
    QCOMPARE(box.text(), remembered);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toString(), remembered);

    edit->setCursorPosition(10);
    QTest::keyClicks(edit, QStringLiteral("!"));
    QCOMPARE(box.text(), remembered);

    // Shortening works from anywhere; the cursor stays where the user put it.
    edit->setCursorPosition(0);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(box.text(), remembered.mid(2));
    QCOMPARE(edit->cursorPosition(), 0);
    QCOMPARE(changed.count(), 3);

    // Once shortened to ten, the limit of typing applies again.
    edit->setCursorPosition(10);
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(box.text(), QStringLiteral("07-03-26 ("));
    QTest::keyClicks(edit, QStringLiteral("x"));
    QCOMPARE(box.text(), QStringLiteral("07-03-26 ("));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, QStringLiteral("xy"));
    QCOMPARE(box.text(), QStringLiteral("07-03-26 x"));
}

void ListControlsTest::birthdayBoxKeepsTheInputMethodOff() {
    ui::BirthdayBox box;
    auto* edit = box.findChild<QLineEdit*>();
    // What Qt asks the focus widget before it routes any input method to it.
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(edit, &query);
    QCOMPARE(query.value(Qt::ImEnabled).toBool(), false);
}

QTEST_MAIN(ListControlsTest)
#include "list_controls_test.moc"
