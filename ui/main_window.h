#pragma once

// The tool's one window: thirteen controls in a layout that never changes. The two
// buttons run the batch over the file list with the birthday box's text as the birthday;
// Ctrl+Z, or the file list's context menu, undoes the shown folder's last run, one run
// at a time down to the camera's names. A folder, or a photo meaning its folder, dropped
// anywhere on the window is shown as if opened in the folder list. The change events of
// the drive list, the folder list and the birthday box and the window's opening and
// closing are there for the navigation to handle.
//
// The controls keep the names of the window's design as their object names, which is
// how tests and style sheets find them:
//
//   Form1     the window itself               Text1     birthday box
//   Image1    banner                          Label1    instructions
//   Frame1    group "jpg照片浏览器"            Label2    birthday caption
//   Drive1    drive list                      Label3    "only Exif JPEG" note
//   Dir1      folder list                     Shape1    outline around everything
//   File1     file list (the photos)          Shape2    outline around the instructions
//   Command1  rename all (全部改名)            Command2  rename selected (选中改名)

#include "naming/batch.h"
#include "runs/runs.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;

namespace ui {

class ModalRun;
class BirthdayBox;
class CommandButton;
class DriveList;
class FileList;
class FolderList;
class RectangleOutline;
class UserFeedback;

// Gives a run its shooting-time reader for the folder the run works in; none: the
// photos' Exif, as the program reads it.
using ReaderForFolder =
    std::function<std::unique_ptr<naming::ShootingTimeSource>(const std::string& folder)>;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    // The lists begin in `start`, a full path. `feedback` must outlive the window.
    MainWindow(const std::string& start, UserFeedback& feedback, ReaderForFolder readerFor = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    DriveList& driveList() const { return *driveList_; }
    FolderList& folderList() const { return *folderList_; }
    FileList& fileList() const { return *fileList_; }
    BirthdayBox& birthdayBox() const { return *birthdayBox_; }
    // The file list's checkable menu entry that lists (and so renames) phone videos, HEIC
    // and .jpeg photos too.
    QAction& allMediaEntry() const { return *allMediaEntry_; }

    // Raises opening() first, the first time the window is shown.
    void setVisible(bool visible) override;

signals:
    // Raised once, when the window is first asked to show and before any of it is shown:
    // the place to restore settings.
    void opening();
    // Raised when the window closes. The close cannot be refused, only put off to the end
    // of a run.
    void closing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls(const std::string& start);
    void placeControls();
    void connectEvents();

    enum class RunMode { All, Selected };
    void renameAll();
    void renameSelected();
    void runBatch(RunMode mode);
    void undoLastRun();
    runs::Control runControl() const;

    QWidget* control(std::string_view name) const;

    UserFeedback& feedback_;
    ReaderForFolder readerFor_;
    std::unique_ptr<ModalRun> background_;
    bool opened_ = false;
    bool placed_ = false;
    bool closeAfterRun_ = false;

    QLabel* banner_ = nullptr;
    RectangleOutline* outline_ = nullptr;
    QGroupBox* browser_ = nullptr;
    DriveList* driveList_ = nullptr;
    FolderList* folderList_ = nullptr;
    FileList* fileList_ = nullptr;
    RectangleOutline* instructionsOutline_ = nullptr;
    QLabel* instructions_ = nullptr;
    QLabel* formatNote_ = nullptr;
    QLabel* birthdayCaption_ = nullptr;
    BirthdayBox* birthdayBox_ = nullptr;
    CommandButton* renameSelectedButton_ = nullptr;
    CommandButton* renameAllButton_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* allMediaEntry_ = nullptr;
};

} // namespace ui
