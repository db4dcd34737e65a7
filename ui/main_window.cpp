#include "ui/main_window.h"

#include "platform/files/folder_access.h"
#include "runs/runs.h"
#include "ui/artwork.h"
#include "ui/birthday_box.h"
#include "ui/command_button.h"
#include "ui/drive_list.h"
#include "ui/file_list.h"
#include "ui/folder_list.h"
#include "ui/modal_run.h"
#include "ui/named_control.h"
#include "ui/rectangle_outline.h"
#include "ui/undo_flow.h"
#include "ui/undo_texts.h"
#include "ui/user_feedback.h"
#include "ui/window_fonts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>
#include <vector>

namespace ui {
namespace {

// The layout is designed in twips (1/1440 inch) and drawn at 96 dots per inch; Qt scales
// the pixels on screens of other densities.
constexpr int kTwipsPerPixel = 15;
constexpr int kClientWidth = 9000;
constexpr int kClientHeight = 6180;
constexpr int kNoTab = -1;

struct Placement {
    std::string_view control;
    int left, top, width, height; // twips, from the top-left corner of the client area
    int tab;                      // tab index; labels and the frame hold one but take no focus
};

// The banner, the group on the left, then the column on the right from top to bottom.
constexpr std::array<Placement, 13> kPlacements{{
    {"Image1", 0, 0, 9000, 600, kNoTab},
    {"Shape1", 120, 720, 8775, 5295, kNoTab},
    {"Frame1", 240, 840, 6495, 5055, 4},
    {"Drive1", 360, 1080, 2655, 345, 7},
    {"Dir1", 360, 1500, 2655, 4170, 8},
    {"File1", 3120, 1080, 3495, 4590, 9},
    {"Shape2", 6960, 960, 1695, 2895, kNoTab},
    {"Label1", 7080, 1080, 1575, 2415, 0},
    {"Label3", 7080, 3360, 1455, 495, 5},
    {"Label2", 6960, 3960, 1575, 495, 3},
    {"Text1", 6960, 4440, 1095, 270, 2},
    {"Command2", 7320, 4920, 1095, 375, 6},
    {"Command1", 7320, 5520, 1095, 375, 1},
}};

// Topmost first. The lists lie inside the group's rectangle and above it; the labels, the
// outlines and the banner lie beneath everything else.
constexpr std::array<std::string_view, 13> kStacking{
    "File1",  "Dir1",   "Drive1", "Command2", "Text1",  "Command1", "Frame1",
    "Label1", "Shape2", "Shape1", "Image1",   "Label2", "Label3"};

constexpr bool isWholePixels(int twips) {
    return twips % kTwipsPerPixel == 0;
}

static_assert(isWholePixels(kClientWidth) && isWholePixels(kClientHeight));
static_assert(std::all_of(kPlacements.begin(), kPlacements.end(), [](const Placement& p) {
    return isWholePixels(p.left) && isWholePixels(p.top) && isWholePixels(p.width) &&
           isWholePixels(p.height);
}));

constexpr int pixels(int twips) {
    return twips / kTwipsPerPixel;
}

constexpr int kInstructionsRightGap = 2; // pixels: the outline's and one more

const QString kInstructions = QStringLiteral(
    "说明：先在下面\"生日栏\"内输入宝宝的生日，再点击\"改名\"键，将自动把左边列表框中的照片"
    "按照拍摄时间和宝宝生日的差的时间批量重命名。   如\"x岁x月x天(x点x分x秒).jpg\"。"
    "可单选，多选或全部改名。");

// Styles differ on where a group's title goes; here it lies in the top border line.
const QString kFrameTitleInBorder =
    QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: 7px; }"
                   "QGroupBox::title { subcontrol-origin: margin; left: 7px; padding: 0px 2px; }");

QLabel* createLabel(QWidget* window, const char* name, const QString& text) {
    auto* label = createNamed<QLabel>(window, name, text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

void setTextColour(QWidget* control, const QColor& colour) {
    QPalette palette = control->palette();
    palette.setColor(control->foregroundRole(), colour);
    control->setPalette(palette);
}

// A drop is taken as a copy, whatever the source proposes: a source told that its files
// were moved may delete them, as Explorer does after a Shift+drag.
void takeAsCopy(QDropEvent& event) {
    if (event.mimeData()->hasUrls() && (event.possibleActions() & Qt::CopyAction)) {
        event.setDropAction(Qt::CopyAction);
        event.accept();
    } else {
        event.ignore();
    }
}

// The folder a drop means; empty when it carries no file or folder of this system's.
std::string droppedFolder(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return {};
    return platform::folderMeant(urls.front().toLocalFile().toStdString());
}

QIcon tamblinorIcon() {
    QIcon icon;
    for (const int size : {48, 32, 16})
        icon.addPixmap(pngArtwork(QStringLiteral(":/tamblinor-%1.png").arg(size)));
    return icon;
}

} // namespace

MainWindow::MainWindow(const std::string& start, UserFeedback& feedback, ReaderForFolder readerFor,
                       QWidget* parent)
    : QWidget(parent), feedback_(feedback), readerFor_(std::move(readerFor)),
      background_(std::make_unique<ModalRun>(*this)) {
    createControls(start);
    placeControls();
    connectEvents();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls(const std::string& start) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Tamblinor(by Oskev)"));
    setWindowIcon(tamblinorIcon());
    setFont(makeFont({QStringLiteral("Arial"), kChineseFallback}, 9));

    banner_ = createNamed<QLabel>(this, "Image1");
    banner_->setPixmap(QPixmap(QStringLiteral(":/banner.jpg")));
    banner_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    outline_ = createNamed<RectangleOutline>(this, "Shape1");
    browser_ = createNamed<QGroupBox>(this, "Frame1", QStringLiteral("jpg照片浏览器"));
    browser_->setStyleSheet(kFrameTitleInBorder);
    driveList_ = createNamed<DriveList>(this, "Drive1", start);
    folderList_ = createNamed<FolderList>(this, "Dir1", start);
    fileList_ = createNamed<FileList>(this, "File1", start);
    instructionsOutline_ = createNamed<RectangleOutline>(this, "Shape2");

    instructions_ = createLabel(this, "Label1", kInstructions);
    instructions_->setFont(makeFont({QStringLiteral("Arial"), kChineseFallback}, 8.25));
    // The system's highlight colour, as an active window shows it, whatever window is in
    // front: Windows' own highlight for an inactive window is as pale as the window, and
    // would blank the instructions while a run's progress window is in front.
    instructions_->setForegroundRole(QPalette::Highlight);
    setTextColour(instructions_,
                  instructions_->palette().color(QPalette::Active, QPalette::Highlight));
    // The instructions end on their outline's right edge: their lines wrap short of the
    // outline, with a pixel of space, so no glyph runs into it.
    instructions_->setContentsMargins(0, 0, kInstructionsRightGap, 0);
    formatNote_ = createLabel(this, "Label3", QStringLiteral("仅支持带Exif信息的jpg格式照片。"));
    setTextColour(formatNote_, QColor(0xFF, 0x00, 0x00));
    birthdayCaption_ = createLabel(this, "Label2", QStringLiteral("宝宝生日：(示例：2007-03-26)"));
    setTextColour(birthdayCaption_, QColor(0x00, 0x00, 0xFF));

    birthdayBox_ = createNamed<BirthdayBox>(this, "Text1");

    const QFont buttonFont =
        makeFont({QStringLiteral("宋体"), QStringLiteral("SimSun"), kChineseFallback}, 9);
    renameSelectedButton_ =
        createNamed<CommandButton>(this, "Command2", QStringLiteral("选中改名"));
    renameAllButton_ = createNamed<CommandButton>(this, "Command1", QStringLiteral("全部改名"));
    for (CommandButton* button : {renameSelectedButton_, renameAllButton_})
        button->setFont(buttonFont);
    renameAllButton_->setFlat(true);
}

void MainWindow::placeControls() {
    setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    for (const Placement& p : kPlacements) {
        control(p.control)->setGeometry(pixels(p.left), pixels(p.top), pixels(p.width),
                                        pixels(p.height));
    }

    // raise() puts a control above all its siblings, so raising from the bottom up leaves
    // the topmost last raised.
    std::for_each(kStacking.rbegin(), kStacking.rend(),
                  [this](std::string_view name) { control(name)->raise(); });

    std::vector<Placement> byTab(kPlacements.begin(), kPlacements.end());
    std::erase_if(byTab, [this](const Placement& p) {
        return p.tab == kNoTab || !(control(p.control)->focusPolicy() & Qt::TabFocus);
    });
    std::sort(byTab.begin(), byTab.end(),
              [](const Placement& a, const Placement& b) { return a.tab < b.tab; });
    for (std::size_t i = 1; i < byTab.size(); ++i)
        setTabOrder(control(byTab[i - 1].control), control(byTab[i].control));
}

// The birthday box keeps Ctrl+Z for its own typing, as every text box does, and takes a
// dropped text as its own too; a dropped folder is the window's.
void MainWindow::connectEvents() {
    connect(renameAllButton_, &CommandButton::clicked, this, &MainWindow::renameAll);
    connect(renameSelectedButton_, &CommandButton::clicked, this, &MainWindow::renameSelected);

    undoAction_ = new QAction(QStringLiteral("撤销上次改名"), this);
    undoAction_->setShortcut(QKeySequence::Undo);
    undoAction_->setShortcutVisibleInContextMenu(true);
    addAction(undoAction_);
    fileList_->addAction(undoAction_);
    fileList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(undoAction_, &QAction::triggered, this, &MainWindow::undoLastRun);
    auto* separator = new QAction(this);
    separator->setSeparator(true);
    fileList_->addAction(separator);
    allMediaEntry_ = new QAction(QStringLiteral("同时改名视频和HEIC照片"), this);
    allMediaEntry_->setCheckable(true);
    fileList_->addAction(allMediaEntry_);

    setAcceptDrops(true);
    birthdayBox_->findChild<QLineEdit*>()->installEventFilter(this);
}

// Opening comes before QWidget shows the controls: the file list, shown, lists its
// folder, and should list it once, with the folder and pattern the settings give it.
void MainWindow::setVisible(bool visible) {
    if (visible && !opened_) {
        opened_ = true;
        emit opening();
    }
    QWidget::setVisible(visible);
}

void MainWindow::showEvent(QShowEvent* event) {
    if (!placed_ && !event->spontaneous()) {
        placed_ = true;
        QRect frame = frameGeometry(); // the client area alone where the frame is not yet known
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
        birthdayBox_->setFocus();
    }
    // Styles mark the focus only once it has moved by keyboard in the window, which every
    // show forgets; a button focused by a click would then take a Space unseen.
    setAttribute(Qt::WA_KeyboardFocusChange);
    QWidget::showEvent(event);
}

// Photos are never left half renamed: a close during a run stops the run between two
// photos, and runBatch() closes the window once the run has ended.
void MainWindow::closeEvent(QCloseEvent* event) {
    if (background_->running()) {
        closeAfterRun_ = true;
        background_->stop();
        event->ignore();
        return;
    }
    emit closing();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    takeAsCopy(*event);
}

// Exactly as opening it in the folder list: the lists and the working folder follow, and
// a folder that cannot be opened is refused with a beep, and the drop with it.
void MainWindow::dropEvent(QDropEvent* event) {
    const std::string folder = droppedFolder(*event->mimeData());
    if (folder.empty() || !folderList_->setPath(folder)) {
        event->ignore();
        feedback_.beep();
        return;
    }
    takeAsCopy(*event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool drag = type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
    if (!drag || !static_cast<QDropEvent*>(event)->mimeData()->hasUrls())
        return QWidget::eventFilter(watched, event);
    if (type == QEvent::Drop)
        dropEvent(static_cast<QDropEvent*>(event));
    else
        takeAsCopy(*static_cast<QDropEvent*>(event));
    return true;
}

void MainWindow::renameAll() {
    runBatch(RunMode::All);
}

void MainWindow::renameSelected() {
    runBatch(RunMode::Selected);
}

// The run works in the folder the file list shows, the working folder, over the names
// the list shows now: for rename all, read again first, as another program (a second
// window, the command line) may have renamed the photos since. The list is read again
// after a run that renamed any photo, however it ended, and after one that got to its
// end, was stopped, or stopped on a photo the file system lost. The run is journaled, so
// that it can be undone; where the journal could not be kept, the user hears that this
// run cannot be.
void MainWindow::runBatch(RunMode mode) {
    if (background_->running())
        return; // a click that came in before the window stopped taking them
    const BusyScope busy(feedback_);
    if (mode == RunMode::All)
        fileList_->refresh();
    std::vector<std::string> photos;
    for (int i = 0; i < fileList_->count(); ++i) {
        if (mode == RunMode::All || fileList_->selected(i))
            photos.push_back(fileList_->fileName(i));
    }
    const std::string folder = fileList_->path();
    const std::string birthday = birthdayBox_->text().toStdString();
    const runs::Outcome outcome = background_->run(runControl(), [&](const runs::Control& c) {
        return runs::renameFolder(folder, photos, birthday, runs::Effect::Rename, c);
    });
    if (outcome.message) {
        const std::string_view text = naming::messageText(*outcome.message);
        feedback_.showMessage(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
    if (outcome.renamedCount() > 0 || outcome.ending == runs::Ending::Completed ||
        outcome.ending == runs::Ending::Stopped || outcome.ending == runs::Ending::PhotoVanished)
        fileList_->refresh();
    if (!outcome.journalProblem.empty() && outcome.renamedCount() > 0)
        feedback_.tell(runNotUndoable());
    if (std::exchange(closeAfterRun_, false))
        close();
}

// Whatever became of the undo, a close asked for meanwhile comes after it.
void MainWindow::undoLastRun() {
    if (background_->running())
        return;
    undoShownFolder(*fileList_, feedback_, *background_, runControl());
    if (std::exchange(closeAfterRun_, false))
        close();
}

runs::Control MainWindow::runControl() const {
    runs::Control control;
    if (readerFor_)
        control.reader = [this](const std::string& folder, const auto&) {
            return readerFor_(folder);
        };
    return control;
}

QWidget* MainWindow::control(std::string_view name) const {
    auto* found =
        findChild<QWidget*>(QLatin1String(name.data(), static_cast<qsizetype>(name.size())),
                            Qt::FindDirectChildrenOnly);
    Q_ASSERT(found);
    return found;
}

} // namespace ui
