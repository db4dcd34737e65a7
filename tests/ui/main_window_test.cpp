// The main window as the user meets it: every control's place, text, font and colour, the
// tab and stacking orders, the captions fitting their labels; then both buttons running
// the batch over a folder of generated photos, with messages and the busy state recorded
// through the feedback interface, and the layout the same after every run; a long run
// held by its reader shows its progress, takes no clicks, and stops when asked to.

#include "platform/exif/exif_reader.h"
#include "platform/files/utf8_path.h"
#include "platform/journal/folder_lock.h"
#include "platform/journal/journal_store.h"
#include "runs/runs.h"
#include "tests/support/gate.h"
#include "tests/support/jpeg_fixture.h"
#include "tests/support/state_home.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/file_list_entries.h"
#include "tests/ui/recording_feedback.h"
#include "ui/birthday_box.h"
#include "ui/file_list.h"
#include "ui/main_window.h"
#include "ui/run_progress.h"
#include "ui/undo_texts.h"
#include "ui/user_feedback.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

namespace {

// The Exif reader of a run's folder, or, switched off, a reader that cannot be used; each
// photo read once the gate lets it through.
class SwitchableReader : public naming::ShootingTimeSource {
public:
    SwitchableReader(const std::string& folder, const bool& usable, fixture::Gate& gate)
        : exif_(folder), usable_(usable), gate_(gate) {}
    std::optional<std::string> shootingTime(const std::string& fileName) override {
        gate_.pass();
        return usable_ ? exif_.shootingTime(fileName) : std::nullopt;
    }

private:
    platform::ExifShootingTimeSource exif_;
    const bool& usable_;
    fixture::Gate& gate_;
};

const QStringList kControls{"Image1", "Shape1", "Frame1", "Drive1", "Dir1",     "File1",   "Shape2",
                            "Label1", "Label3", "Label2", "Text1",  "Command2", "Command1"};

const QString kInstructions = QStringLiteral(
    "说明：先在下面\"生日栏\"内输入宝宝的生日，再点击\"改名\"键，将自动把左边列表框中的照片"
    "按照拍摄时间和宝宝生日的差的时间批量重命名。   如\"x岁x月x天(x点x分x秒).jpg\"。"
    "可单选，多选或全部改名。");

const QString kBadBirthday = QStringLiteral("生日输入有误！请按示例格式输入。");
const QString kReaderMissing = QStringLiteral("文件丢失！请重新安装本软件。");

// Everything about the controls that must never change while the program runs.
struct ControlState {
    QRect geometry;
    bool visible;
    bool enabled;
    QString caption;
    QFont font;
    QPalette palette;
    bool operator==(const ControlState&) const = default;
};

using Layout = std::map<QString, ControlState>;

QString caption(const QWidget* control) {
    for (const char* property : {"text", "title"}) {
        if (const QVariant value = control->property(property); value.isValid())
            return value.toString();
    }
    return {};
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void isOneFixedWindowOfThirteenControls();
    void placesEachControl_data();
    void placesEachControl();
    void showsTheCaptions();
    void usesTheThreeFonts_data();
    void usesTheThreeFonts();
    void colours();
    void labelsShowTheirWholeCaption_data();
    void labelsShowTheirWholeCaption();
    void drawsTheOutlinesAndTheBanner();
    void instructionsKeepClearOfTheirOutline();
    void drawsRenameAllAsAFlatButton();
    void marksTheFocusOnEveryControl_data();
    void marksTheFocusOnEveryControl();
    void stacksTheControlsInOrder();
    void movesFocusInTabOrder();
    void opensCentredWithFocusInTheBirthdayBox();
    void raisesOpeningAndClosing();

    void renameAllRenamesEveryPhoto();
    void renameSelectedRenamesTheSelectedPhotos();
    void enterOrSpacePressesOnlyTheFocusedButton_data();
    void enterOrSpacePressesOnlyTheFocusedButton();
    void showsEachMessageAndRenamesNothing_data();
    void showsEachMessageAndRenamesNothing();
    void longRunShowsProgressAndStops_data();
    void longRunShowsProgressAndStops();
    void waitsForAnotherRunOnTheFolder();
    void readsTheListAgainAfterARunThatRenamedAny();
    void tellsThatARunWithoutJournalCannotBeUndone();
    void undoesOneRunAtATimeAfterAsking();
    void undoesNothingUnaskedWhenTheLastRecordIsUnreadable();

    void messageBoxIsModalWithOneButtonAndNoIcon();
    void progressSaysWhetherItNamesOrTakesBack();
    void questionBoxTakesEnterForYesAndEscapeForNo();
    void undoReportSaysWhyPhotosStayed();
    void busyShowsTheWaitCursor();

private:
    QWidget* control(const QString& name) const;
    QString owner(const QWidget* widget) const; // the name of the control holding it
    Layout layout() const;
    void showPhotos(); // the file list on the photo folder
    void typeBirthday(const QString& text);
    void clickRow(int row, Qt::KeyboardModifiers modifiers = {});
    void stopHeldRun(bool byClosing); // the run's reader held
    void stopWaitingRun();

    fixture::RecordingFeedback feedback_;
    bool readerUsable_ = true;
    fixture::Gate gate_;
    std::unique_ptr<fixture::TempFolder> photos_; // where the lists start
    std::unique_ptr<ui::MainWindow> form_;
};

void MainWindowTest::init() {
    feedback_ = {};
    readerUsable_ = true;
    gate_.open();
    photos_ = std::make_unique<fixture::TempFolder>();
    form_ = std::make_unique<ui::MainWindow>(
        photos_->path().string(), feedback_, [this](const std::string& folder) {
            return std::make_unique<SwitchableReader>(folder, readerUsable_, gate_);
        });
}

void MainWindowTest::cleanup() {
    form_.reset();
    photos_.reset();
}

QWidget* MainWindowTest::control(const QString& name) const {
    return form_->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

QString MainWindowTest::owner(const QWidget* widget) const {
    while (widget && widget->parentWidget() != form_.get())
        widget = widget->parentWidget();
    return widget ? widget->objectName() : QString();
}

Layout MainWindowTest::layout() const {
    Layout controls;
    for (const QString& name : kControls) {
        const QWidget* c = control(name);
        controls[name] = {c->geometry(), c->isVisible(), c->isEnabled(),
                          caption(c),    c->font(),      c->palette()};
    }
    controls["Form1"] = {form_->geometry(),    form_->isVisible(), form_->isEnabled(),
                         form_->windowTitle(), form_->font(),      form_->palette()};
    return controls;
}

void MainWindowTest::showPhotos() {
    const std::string shot = "2007:03:15 14:05:33";
    fixture::writePhoto(photos_->path() / "IMG_0001.jpg", {.dateTimeOriginal = shot});
    fixture::writePhoto(photos_->path() / "IMG_0002.jpg", {.dateTimeOriginal = shot});
    fixture::writePhoto(photos_->path() / "IMG_0003.jpg", {}); // no shooting time
    fixture::writePhoto(photos_->path() / "IMG_0004.jpg",
                        {.dateTimeOriginal = "2007:05:10 09:00:00"});
    photos_->write("notes.txt", "not a photo");
    QVERIFY(form_->fileList().setPath(photos_->path().string()));
    form_->fileList().setPattern("*.jpg");
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void MainWindowTest::typeBirthday(const QString& text) {
    QTest::keyClicks(control("Text1")->findChild<QLineEdit*>(), text);
    QCOMPARE(form_->birthdayBox().text(), text);
}

void MainWindowTest::clickRow(int row, Qt::KeyboardModifiers modifiers) {
    auto* view = control("File1")->findChild<QListView*>();
    const QPoint centre = view->visualRect(view->model()->index(row, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, centre);
}

void MainWindowTest::isOneFixedWindowOfThirteenControls() {
    QCOMPARE(form_->size(), QSize(600, 412));
    QCOMPARE(form_->minimumSize(), form_->maximumSize());

    QStringList children;
    for (const QWidget* child :
         form_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        children << child->objectName();
    children.sort();
    QStringList expected = kControls;
    expected.sort();
    QCOMPARE(children, expected);
    QVERIFY(form_->findChildren<QMenuBar*>().isEmpty());
    QVERIFY(control("Frame1")->findChildren<QWidget*>().isEmpty()); // the lists are not inside
}

void MainWindowTest::placesEachControl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("banner") << "Image1" << QRect(0, 0, 600, 40);
    QTest::newRow("outline") << "Shape1" << QRect(8, 48, 585, 353);
    QTest::newRow("browser group") << "Frame1" << QRect(16, 56, 433, 337);
    QTest::newRow("drive list") << "Drive1" << QRect(24, 72, 177, 23);
    QTest::newRow("folder list") << "Dir1" << QRect(24, 100, 177, 278);
    QTest::newRow("file list") << "File1" << QRect(208, 72, 233, 306);
    QTest::newRow("instructions outline") << "Shape2" << QRect(464, 64, 113, 193);
    QTest::newRow("instructions") << "Label1" << QRect(472, 72, 105, 161);
    QTest::newRow("format note") << "Label3" << QRect(472, 224, 97, 33);
    QTest::newRow("birthday caption") << "Label2" << QRect(464, 264, 105, 33);
    QTest::newRow("birthday box") << "Text1" << QRect(464, 296, 73, 18);
    QTest::newRow("rename selected") << "Command2" << QRect(488, 328, 73, 25);
    QTest::newRow("rename all") << "Command1" << QRect(488, 368, 73, 25);
}

void MainWindowTest::placesEachControl() {
    QFETCH(QString, name);
    QFETCH(QRect, pixels);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    QCOMPARE(control(name)->geometry(), pixels);
    QVERIFY(control(name)->isVisible());
    // The Qt widget inside one of our own controls fills all of it.
    if (const QWidget* inner = control(name)->focusProxy())
        QCOMPARE(inner->geometry(), QRect(QPoint(0, 0), pixels.size()));
}

void MainWindowTest::showsTheCaptions() {
    QCOMPARE(form_->windowTitle(), QStringLiteral("Tamblinor(by Oskev)"));
    QCOMPARE(caption(control("Frame1")), QStringLiteral("jpg照片浏览器"));
    QCOMPARE(caption(control("Label1")), kInstructions);
    QCOMPARE(caption(control("Label3")), QStringLiteral("仅支持带Exif信息的jpg格式照片。"));
    QCOMPARE(caption(control("Label2")), QStringLiteral("宝宝生日：(示例：2007-03-26)"));
    QCOMPARE(caption(control("Command2")), QStringLiteral("选中改名"));
    QCOMPARE(caption(control("Command1")), QStringLiteral("全部改名"));
    QCOMPARE(form_->birthdayBox().text(), QString());
    QVERIFY(qobject_cast<QPushButton*>(control("Command1"))->isFlat());
    QVERIFY(!qobject_cast<QPushButton*>(control("Command2"))->isFlat());
    QCOMPARE(kInstructions.count('"'), 6);
    QVERIFY(kInstructions.contains(QStringLiteral("重命名。   如")));
}

void MainWindowTest::usesTheThreeFonts_data() {
    const QString fallback = QStringLiteral("WenQuanYi Micro Hei"); // has the Chinese
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("families"); // as designed, in order of preference
    QTest::addColumn<qreal>("points");
    const QStringList arial{"Arial", fallback};
    for (const char* name : {"Frame1", "Drive1", "Dir1", "File1", "Label3", "Label2", "Text1"})
        QTest::newRow(name) << name << arial << 9.0;
    QTest::newRow("instructions") << "Label1" << arial << 8.25;
    const QStringList songTi{"宋体", "SimSun", fallback};
    QTest::newRow("rename selected") << "Command2" << songTi << 9.0;
    QTest::newRow("rename all") << "Command1" << songTi << 9.0;
}

// Checks the control and every widget inside it, since those are what draw the text. A
// font names only the designed families that are installed, so that no text looks up a
// missing one, and is drawn with the first of them; the last has the Chinese characters.
void MainWindowTest::usesTheThreeFonts() {
    QFETCH(QString, name);
    QFETCH(QStringList, families);
    QFETCH(qreal, points);
    QStringList installed;
    for (const QString& family : families) {
        if (QFontDatabase::families().contains(family))
            installed << family;
    }
    QVERIFY(!installed.isEmpty());
    QList<QWidget*> drawing = control(name)->findChildren<QWidget*>();
    drawing.prepend(control(name));
    for (const QWidget* widget : drawing) {
        const QFont font = widget->font();
        QCOMPARE(font.families(), installed);
        QCOMPARE(QFontInfo(font).family(), installed.constFirst());
        QCOMPARE(font.pointSizeF(), points);
        QCOMPARE(font.weight(), QFont::Normal);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
        QVERIFY(QFontMetrics(QFont(installed.constLast())).inFontUcs4(U'宝'));
    }
}

void MainWindowTest::colours() {
    auto textColour = [this](const char* name) {
        const QWidget* label = control(name);
        return label->palette().color(label->foregroundRole());
    };
    QCOMPARE(textColour("Label3"), QColor(0xFF, 0x00, 0x00));
    QCOMPARE(textColour("Label2"), QColor(0x00, 0x00, 0xFF));
    // Follows the palette rather than copying today's highlight colour.
    QCOMPARE(control("Label1")->foregroundRole(), QPalette::Highlight);
    QCOMPARE(textColour("Label1"), QApplication::palette().color(QPalette::Highlight));
}

void MainWindowTest::labelsShowTheirWholeCaption_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"Label1", "Label2", "Label3"})
        QTest::newRow(name) << name;
}

void MainWindowTest::labelsShowTheirWholeCaption() {
    QFETCH(QString, name);
    const auto* label = qobject_cast<QLabel*>(control(name));
    QVERIFY(label->wordWrap());
    QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    const QRect room = label->contentsRect();
    const QRect needed =
        QFontMetrics(label->font())
            .boundingRect(room, Qt::TextWordWrap | label->alignment(), label->text());
    QVERIFY2(room.contains(needed), qPrintable(QStringLiteral("needs %1x%2 in %3x%4")
                                                   .arg(needed.width())
                                                   .arg(needed.height())
                                                   .arg(room.width())
                                                   .arg(room.height())));
}

void MainWindowTest::drawsTheOutlinesAndTheBanner() {
    for (const char* name : {"Shape1", "Shape2"}) {
        QWidget* shape = control(name);
        const QImage image = shape->grab().toImage();
        const QColor line = shape->palette().color(QPalette::WindowText);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        for (const QPoint& onLine : {QPoint(0, 0), QPoint(right, bottom), QPoint(right / 2, 0),
                                     QPoint(0, bottom / 2), QPoint(right, 1), QPoint(1, bottom)})
            QCOMPARE(image.pixelColor(onLine), line);
        for (const QPoint& inside :
             {QPoint(1, 1), QPoint(right / 2, bottom / 2), QPoint(right - 1, bottom - 1)})
            QCOMPARE(image.pixelColor(inside), shape->palette().color(QPalette::Window));
    }

    const auto* banner = qobject_cast<QLabel*>(control("Image1"));
    QCOMPARE(banner->pixmap().size(), QSize(600, 40));
    QVERIFY(!banner->hasScaledContents());
    QCOMPARE(banner->frameShape(), QFrame::NoFrame);

    QList<QSize> iconSizes = form_->windowIcon().availableSizes();
    std::sort(iconSizes.begin(), iconSizes.end(),
              [](QSize a, QSize b) { return a.width() < b.width(); });
    QCOMPARE(iconSizes, QList<QSize>({{16, 16}, {32, 32}, {48, 48}}));
}

// The instructions lie inside their outline and end on its right edge: the outline is
// drawn whole, and no glyph of the caption touches it.
void MainWindowTest::instructionsKeepClearOfTheirOutline() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    const QImage window = form_->grab().toImage();
    const QRect label = control("Label1")->geometry();
    const int edge = control("Shape2")->geometry().right();
    QCOMPARE(label.right(), edge);
    for (int y = label.top(); y <= label.bottom(); ++y) {
        QCOMPARE(window.pixelColor(edge, y), form_->palette().color(QPalette::WindowText));
        QCOMPARE(window.pixelColor(edge - 1, y), form_->palette().color(QPalette::Window));
    }
}

// As a flat push button is drawn on Windows: a one-pixel frame in the text colour around
// the face, no bevel inside it; pressed, the face changes and the frame stays.
void MainWindowTest::drawsRenameAllAsAFlatButton() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    auto* button = qobject_cast<QPushButton*>(control("Command1"));
    const QColor frame = button->palette().color(QPalette::WindowText);
    const QColor face = button->palette().color(QPalette::Button);
    const QImage released = button->grab().toImage();
    const int right = released.width() - 1;
    const int bottom = released.height() - 1;
    for (int x = 0; x <= right; ++x) {
        QCOMPARE(released.pixelColor(x, 0), frame);
        QCOMPARE(released.pixelColor(x, bottom), frame);
    }
    for (int y = 0; y <= bottom; ++y) {
        QCOMPARE(released.pixelColor(0, y), frame);
        QCOMPARE(released.pixelColor(right, y), frame);
    }
    for (int x = 1; x < right; ++x) {
        QCOMPARE(released.pixelColor(x, 1), face);
        QCOMPARE(released.pixelColor(x, bottom - 1), face);
    }

    button->setDown(true);
    const QImage pressed = button->grab().toImage();
    QVERIFY(pressed != released);
    QCOMPARE(pressed.pixelColor(0, 0), frame);
    QCOMPARE(pressed.pixelColor(right, bottom), frame);
}

void MainWindowTest::marksTheFocusOnEveryControl_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("photos"); // the file list shows photos; else an empty folder
    for (const char* name : {"Text1", "Command2", "Drive1", "Dir1", "Command1"})
        QTest::newRow(name) << name << true;
    QTest::newRow("file list showing photos") << "File1" << true;
    QTest::newRow("file list empty") << "File1" << false;
}

// The focus comes as by a click, which styles leave unmarked until a Tab has been pressed.
void MainWindowTest::marksTheFocusOnEveryControl() {
    QFETCH(QString, name);
    QFETCH(bool, photos);
    showPhotos();
    if (!photos) {
        const fixture::TempFolder empty;
        QVERIFY(form_->fileList().setPath(empty.path().string()));
        QCOMPARE(form_->fileList().count(), 0);
    }
    QWidget* marked = control(name);
    control(name == "Text1" ? "Dir1" : "Text1")->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(!marked->hasFocus());
    const QImage unfocused = marked->grab().toImage();

    marked->setFocus(Qt::MouseFocusReason);
    QTRY_VERIFY(marked->hasFocus());
    QVERIFY(marked->grab().toImage() != unfocused);
}

void MainWindowTest::stacksTheControlsInOrder() {
    // Qt keeps siblings bottom first.
    QStringList bottomFirst;
    for (const QObject* child : form_->children()) {
        if (child->isWidgetType())
            bottomFirst.prepend(child->objectName());
    }
    QCOMPARE(bottomFirst,
             QStringList({"File1", "Dir1", "Drive1", "Command2", "Text1", "Command1", "Frame1",
                          "Label1", "Shape2", "Shape1", "Image1", "Label2", "Label3"}));
    // A click inside the frame reaches the list there.
    const QRect fileList = control("File1")->geometry();
    QVERIFY(control("File1")->isAncestorOf(form_->childAt(fileList.center())));
}

void MainWindowTest::movesFocusInTabOrder() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    control("Command1")->setFocus();
    auto press = [this](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QStringList visited;
        for (int i = 0; i < 6; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            visited << owner(QApplication::focusWidget());
        }
        return visited;
    };
    QCOMPARE(press(Qt::Key_Tab, Qt::NoModifier),
             QStringList({"Text1", "Command2", "Drive1", "Dir1", "File1", "Command1"}));
    QCOMPARE(press(Qt::Key_Backtab, Qt::ShiftModifier),
             QStringList({"File1", "Dir1", "Drive1", "Command2", "Text1", "Command1"}));
}

void MainWindowTest::opensCentredWithFocusInTheBirthdayBox() {
    form_->show();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QTRY_VERIFY(control("Text1")->hasFocus());
    const QPoint offCentre =
        form_->frameGeometry().center() - form_->screen()->availableGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 1,
             qPrintable(QStringLiteral("%1, %2").arg(offCentre.x()).arg(offCentre.y())));
}

// Opening comes before anything is shown, the window on screen or any control in it:
// the file list, shown, would list its folder before the settings give it its own.
void MainWindowTest::raisesOpeningAndClosing() {
    QList<bool> visibleWhenOpening;
    connect(form_.get(), &ui::MainWindow::opening, this, [&] {
        const QWindow* window = form_->windowHandle();
        bool shown = form_->isVisible() || (window && window->isVisible());
        for (const QWidget* widget : form_->findChildren<QWidget*>())
            shown = shown || widget->isVisible();
        visibleWhenOpening << shown;
    });
    QSignalSpy closing(form_.get(), &ui::MainWindow::closing);

    form_->show();
    form_->hide();
    form_->show();
    QCOMPARE(visibleWhenOpening, QList<bool>({false}));
    QCOMPARE(closing.count(), 0);
    QVERIFY(form_->close());
    QCOMPARE(closing.count(), 1);
}

void MainWindowTest::renameAllRenamesEveryPhoto() {
    showPhotos();
    const auto contents = photos_->contents();
    const Layout before = layout();
    typeBirthday(QStringLiteral("2006-05-10"));

    QTest::mouseClick(control("Command1"), Qt::LeftButton);

    const std::vector<std::string> renamed{
        "0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分33秒)b.jpg",
        "1岁0月1天(09点00分00秒).jpg", "IMG_0003.jpg", "notes.txt"};
    QCOMPARE(photos_->listing(), renamed);
    QCOMPARE(photos_->read("0岁10月6天(14点05分33秒).jpg"), contents.at("IMG_0001.jpg"));
    QCOMPARE(photos_->read("1岁0月1天(09点00分00秒).jpg"), contents.at("IMG_0004.jpg"));
    QCOMPARE(form_->fileList().count(), 4); // listed again
    QCOMPARE(fixture::entries(form_->fileList()).at(0),
             QStringLiteral("0岁10月6天(14点05分33秒).jpg"));
    QCOMPARE(feedback_.messages, QStringList());
    QCOMPARE(feedback_.busy, QList<bool>({true, false}));
    QCOMPARE(layout(), before);

    // A second run gives every photo the name it already has.
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QCOMPARE(photos_->listing(), renamed);
}

void MainWindowTest::renameSelectedRenamesTheSelectedPhotos() {
    showPhotos();
    const Layout before = layout();
    typeBirthday(QStringLiteral("2006-05-10"));
    clickRow(0);
    clickRow(3, Qt::ControlModifier);

    QTest::mouseClick(control("Command2"), Qt::LeftButton);

    QCOMPARE(photos_->listing(), (std::vector<std::string>{
                                     "0岁10月6天(14点05分33秒).jpg", "1岁0月1天(09点00分00秒).jpg",
                                     "IMG_0002.jpg", "IMG_0003.jpg", "notes.txt"}));
    QCOMPARE(feedback_.messages, QStringList());
    QCOMPARE(feedback_.busy, QList<bool>({true, false}));
    QCOMPARE(layout(), before);
}

void MainWindowTest::enterOrSpacePressesOnlyTheFocusedButton_data() {
    const QStringList untouched{"IMG_0001.jpg", "IMG_0002.jpg", "IMG_0003.jpg", "IMG_0004.jpg",
                                "notes.txt"};
    const QStringList all{"0岁10月6天(14点05分33秒).jpg", "0岁10月6天(14点05分33秒)b.jpg",
                          "1岁0月1天(09点00分00秒).jpg", "IMG_0003.jpg", "notes.txt"};
    const QStringList selected{"0岁10月6天(14点05分33秒).jpg", "1岁0月1天(09点00分00秒).jpg",
                               "IMG_0002.jpg", "IMG_0003.jpg", "notes.txt"};
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QStringList>("listing");
    QTest::newRow("Enter on rename all") << "Command1" << int(Qt::Key_Return) << all;
    QTest::newRow("keypad Enter on rename selected")
        << "Command2" << int(Qt::Key_Enter) << selected;
    QTest::newRow("Space on rename all") << "Command1" << int(Qt::Key_Space) << all;
    QTest::newRow("Space on rename selected") << "Command2" << int(Qt::Key_Space) << selected;
    QTest::newRow("Enter in the birthday box") << "Text1" << int(Qt::Key_Return) << untouched;
    QTest::newRow("Enter in the file list") << "File1" << int(Qt::Key_Return) << untouched;
}

// Photos 1 and 4 selected. Neither button is the default, so Enter elsewhere does nothing.
void MainWindowTest::enterOrSpacePressesOnlyTheFocusedButton() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QStringList, listing);
    showPhotos();
    typeBirthday(QStringLiteral("2006-05-10"));
    clickRow(0);
    clickRow(3, Qt::ControlModifier);

    control(focus)->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(control(focus)->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QStringList names;
    for (const std::string& name : photos_->listing())
        names << QString::fromStdString(name);
    QCOMPARE(names, listing);
    for (const char* button : {"Command1", "Command2"})
        QVERIFY(!qobject_cast<QPushButton*>(control(button))->isDefault());
}

void MainWindowTest::showsEachMessageAndRenamesNothing_data() {
    QTest::addColumn<QString>("birthday");
    QTest::addColumn<bool>("readerUsable");
    QTest::addColumn<QString>("message");
    QTest::newRow("bad birthday") << "2007-3-26" << true << kBadBirthday;
    QTest::newRow("unusable reader") << "2006-05-10" << false << kReaderMissing;
}

void MainWindowTest::showsEachMessageAndRenamesNothing() {
    QFETCH(QString, birthday);
    QFETCH(bool, readerUsable);
    QFETCH(QString, message);
    showPhotos();
    const auto listing = photos_->listing();
    const Layout before = layout();
    typeBirthday(birthday);
    readerUsable_ = readerUsable;

    QTest::mouseClick(control("Command1"), Qt::LeftButton);

    QCOMPARE(feedback_.messages, QStringList({message}));
    QCOMPARE(feedback_.busy, QList<bool>({true, false}));
    QCOMPARE(photos_->listing(), listing); // read before it could move, the photo stays
    QCOMPARE(form_->birthdayBox().text(), birthday);
    QCOMPARE(layout(), before);
}

void MainWindowTest::longRunShowsProgressAndStops_data() {
    QTest::addColumn<bool>("byClosing");
    QTest::newRow("Escape on the progress window") << false;
    QTest::newRow("closing the main window") << true;
}

// The click returns once the run has ended; meanwhile stopHeldRun() is called from the
// window's loop, and lets the run go whatever it found.
void MainWindowTest::longRunShowsProgressAndStops() {
    QFETCH(bool, byClosing);
    showPhotos();
    const auto contents = photos_->contents();
    typeBirthday(QStringLiteral("2006-05-10"));
    QSignalSpy closing(form_.get(), &ui::MainWindow::closing);
    gate_.hold();
    QTimer::singleShot(0, this, [this, byClosing] {
        stopHeldRun(byClosing);
        gate_.open();
    });

    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    if (QTest::currentTestFailed())
        return; // a check inside stopHeldRun() failed: report that, not what follows from it

    QVERIFY(!form_->findChild<QWidget*>(QStringLiteral("RunProgressWindow")));
    QCOMPARE(feedback_.messages, QStringList());
    QCOMPARE(feedback_.busy, QList<bool>({true, false}));
    QCOMPARE(closing.count(), byClosing ? 1 : 0);
    QCOMPARE(form_->isVisible(), !byClosing);
    QCOMPARE(form_->fileList().count(), 5); // read again: the photo added during the run
    QCOMPARE(photos_->contents().size(), contents.size() + 1);
    for (const auto& [name, bytes] : contents)
        QCOMPARE(photos_->read(name), bytes); // no photo renamed, none left under 0_0.jpg
    runs::undoLastRun(photos_->path().string(), runs::Effect::Rename);
    for (const auto& [name, bytes] : contents)
        QCOMPARE(photos_->read(name), bytes);
}

void MainWindowTest::stopHeldRun(bool byClosing) {
    QWidget* progress = nullptr;
    QTRY_VERIFY((progress = form_->findChild<QWidget*>(QStringLiteral("RunProgressWindow"))) &&
                progress->isVisible());
    auto text = [progress](const char* name) {
        return progress->findChild<QWidget*>(QLatin1String(name))->property("text").toString();
    };
    QCOMPARE(text("PhaseLabel"), QStringLiteral("正在读取拍摄时间…"));
    QCOMPARE(text("StopButton"), QStringLiteral("停止"));
    for (int photo = 1; photo <= 2; ++photo) {
        gate_.letThrough(1);
        QTRY_COMPARE(text("CountLabel"), QStringLiteral("%1 / 4").arg(photo));
    }
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QCOMPARE(feedback_.busy, QList<bool>({true})); // no second run
    clickRow(0);
    QVERIFY(!form_->fileList().selected(0));
    fixture::writePhoto(photos_->path() / "IMG_0005.jpg",
                        {.dateTimeOriginal = "2007:03:15 14:05:33"});

    if (byClosing) {
        QVERIFY(!form_->close()); // put off until the run has stopped
    } else {
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(!progress->findChild<QWidget*>(QStringLiteral("StopButton"))->isEnabled());
    }
}

// A run on a folder that another run holds waits, saying so, and stops with nothing done.
void MainWindowTest::waitsForAnotherRunOnTheFolder() {
    showPhotos();
    const auto contents = photos_->contents();
    typeBirthday(QStringLiteral("2006-05-10"));
    const auto other = platform::FolderLock::take(
        platform::JournalStore(photos_->path().string()).lockPath(), {}, {});
    QTimer::singleShot(0, this, [this] {
        stopWaitingRun();
        if (QTest::currentTestFailed())
            form_->close(); // stops the run all the same, which would otherwise wait on
    });
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QCOMPARE(photos_->contents(), contents);
}

void MainWindowTest::stopWaitingRun() {
    QWidget* progress = nullptr;
    QTRY_VERIFY((progress = form_->findChild<QWidget*>(QStringLiteral("RunProgressWindow"))) &&
                progress->isVisible());
    QCOMPARE(progress->findChild<QLabel*>(QStringLiteral("PhaseLabel"))->text(),
             QStringLiteral("正在等待同一文件夹的另一次改名…"));
    QTest::keyClick(progress, Qt::Key_Escape);
}

void MainWindowTest::readsTheListAgainAfterARunThatRenamedAny() {
    showPhotos();
    fixture::writePhoto(photos_->path() / "IMG_0005.jpg", // no such day: the run ends there
                        {.dateTimeOriginal = "2007:02:30 10:00:00"});
    typeBirthday(QStringLiteral("2006-05-10"));
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QCOMPARE(feedback_.messages, QStringList({kBadBirthday}));
    QCOMPARE(fixture::entries(form_->fileList()).at(0),
             QString::fromStdString(photos_->listing().at(0))); // renamed, named after an age
}

// Where no journal can be kept, a run that renamed photos says it cannot be undone.
void MainWindowTest::tellsThatARunWithoutJournalCannotBeUndone() {
    showPhotos();
    const fixture::TempFolder state;
    const fixture::StateHome home(state.write("file", "not a folder"));
    typeBirthday(QStringLiteral("2006-05-10"));
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QCOMPARE(feedback_.told, QStringList({ui::runNotUndoable()}));
    QTest::mouseClick(control("Command1"), Qt::LeftButton); // every photo named already
    QCOMPARE(feedback_.told, QStringList({ui::runNotUndoable()}));
}

// Two runs with two birthdays; Ctrl+Z on the file list, or its context menu, asks first,
// then undoes the later run, then the earlier; the birthday box keeps Ctrl+Z for its text
// while it has typing to undo.
void MainWindowTest::undoesOneRunAtATimeAfterAsking() {
    showPhotos();
    const std::vector<std::string> camera = photos_->listing();
    typeBirthday(QStringLiteral("2006-05-10"));
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    const std::vector<std::string> first = photos_->listing();
    form_->birthdayBox().setText(QStringLiteral("2006-06-"));
    auto* box = control("Text1")->findChild<QLineEdit*>();
    QTest::keyClicks(box, QStringLiteral("11"));
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(form_->birthdayBox().text(), QStringLiteral("2006-06-"));
    feedback_.answers = {false};
    QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier); // no typing left to undo: the run's
    QCOMPARE(feedback_.questions.size(), 1);
    feedback_.questions.clear();
    QTest::keyClicks(box, QStringLiteral("10"));
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    QVERIFY(photos_->listing() != first);
    QCOMPARE(feedback_.questions, QStringList());

    QAction* undo = control("File1")->actions().value(0);
    QVERIFY(undo);
    QCOMPARE(undo->text(), QStringLiteral("撤销上次改名"));
    QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    const Layout before = layout();
    auto pressUndo = [this](bool answer) {
        feedback_.answers = {answer};
        control("File1")->setFocus();
        QTest::keyClick(control("File1")->findChild<QListView*>(), Qt::Key_Z, Qt::ControlModifier);
    };
    pressUndo(false);
    QCOMPARE(feedback_.questions.size(), 1);
    QVERIFY(feedback_.questions[0].contains(QStringLiteral("3张照片")));
    QVERIFY(photos_->listing() != first);
    feedback_.answers = {true};
    undo->trigger();
    QCOMPARE(photos_->listing(), first);
    QCOMPARE(form_->fileList().count(), 4);
    QCOMPARE(fixture::entries(form_->fileList()).at(0), QString::fromStdString(first.at(0)));
    pressUndo(true);
    QCOMPARE(photos_->listing(), camera);
    QCOMPARE(feedback_.told, QStringList());
    pressUndo(true);
    QCOMPARE(feedback_.questions.size(), 3);
    QCOMPARE(feedback_.told.size(), 1); // nothing left to undo
    QCOMPARE(feedback_.messages, QStringList());
    QCOMPARE(layout(), before);
}

// The last run's journal spoiled: no question can name that run, so nothing is undone.
void MainWindowTest::undoesNothingUnaskedWhenTheLastRecordIsUnreadable() {
    showPhotos();
    typeBirthday(QStringLiteral("2006-05-10"));
    QTest::mouseClick(control("Command1"), Qt::LeftButton);
    const std::vector<std::string> renamed = photos_->listing();
    const std::string journal = runs::runHistory(photos_->path().string()).back().journal;
    std::ofstream(platform::pathFromUtf8(journal)) << "not a journal";
    control("File1")->actions().value(0)->trigger();
    QCOMPARE(feedback_.questions, QStringList());
    QCOMPARE(feedback_.told, QStringList({ui::lastRecordUnreadable()}));
    QCOMPARE(photos_->listing(), renamed);
}

void MainWindowTest::questionBoxTakesEnterForYesAndEscapeForNo() {
    for (const auto& [key, role] : {std::pair{Qt::Key_Return, QMessageBox::AcceptRole},
                                    std::pair{Qt::Key_Escape, QMessageBox::RejectRole}}) {
        const std::unique_ptr<QMessageBox> box =
            ui::createQuestionBox(QStringLiteral("?"), QStringLiteral("撤销"), form_.get());
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
        QTimer::singleShot(0, box.get(), [&box, key = key] { QTest::keyClick(box.get(), key); });
        box->exec();
        QCOMPARE(box->buttonRole(box->clickedButton()), role);
    }
}

void MainWindowTest::undoReportSaysWhyPhotosStayed() {
    using naming::KeptReason;
    auto kept = [](KeptReason reason, std::errc error = {}) {
        return runs::PhotoOutcome{
            .from = "a.jpg", .reason = reason, .error = std::make_error_code(error)};
    };
    const runs::PhotoOutcome back{.from = "a.jpg", .to = "IMG_1.jpg"};
    const struct {
        runs::Ending ending;
        std::vector<runs::PhotoOutcome> photos;
        QString report;
    } cases[]{
        {runs::Ending::Completed, {back, kept(KeptReason::AlreadyNamed)}, {}},
        {runs::Ending::Stopped, {back, kept(KeptReason::Stopped)}, {}},
        {runs::Ending::Completed,
         {kept(KeptReason::ChangedSince), kept(KeptReason::OldNameTaken),
          kept(KeptReason::ChangedSince)},
         "有3张照片没能恢复原来的名字：2张在改名后又被改名、移走或删除，1张原来的名字已被别的文件占"
         "用。"},
        {runs::Ending::Unfinished,
         {kept(KeptReason::CannotRename, std::errc::read_only_file_system)},
         "有1张照片没能恢复原来的名字：1张不允许改名（文件夹只读，或存储卡的写保护开关已打开）。"},
        {runs::Ending::Unfinished, {}, "撤销没有做完，请稍后再试一次。"},
    };
    for (const auto& c : cases)
        QCOMPARE(ui::undoReport({.ending = c.ending, .photos = c.photos}), c.report);
}

void MainWindowTest::messageBoxIsModalWithOneButtonAndNoIcon() {
    const std::unique_ptr<QMessageBox> box = ui::createMessageBox(kBadBirthday, form_.get());
    QCOMPARE(box->windowTitle(), QStringLiteral("错误"));
    QCOMPARE(box->text(), kBadBirthday);
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QVERIFY(box->iconPixmap().isNull());
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->standardButtons(), QMessageBox::Ok);
    QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("确定"));
    QVERIFY(box->isModal());
    QCOMPARE(box->windowModality(), Qt::ApplicationModal);
}

void MainWindowTest::progressSaysWhetherItNamesOrTakesBack() {
    for (const auto& [kind, text] :
         {std::pair{ui::RunKind::Rename, QStringLiteral("正在改名…")},
          std::pair{ui::RunKind::Undo, QStringLiteral("正在改回原名…")}}) {
        ui::RunProgressWindow progress(form_.get(), kind);
        progress.showProgress(naming::Phase::Renaming, 1, 2);
        QCOMPARE(progress.findChild<QLabel*>(QStringLiteral("PhaseLabel"))->text(), text);
    }
}

void MainWindowTest::busyShowsTheWaitCursor() {
    ui::DialogFeedback feedback;
    QVERIFY(!QApplication::overrideCursor());
    {
        const ui::BusyScope busy(feedback);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    QVERIFY(!QApplication::overrideCursor());
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
