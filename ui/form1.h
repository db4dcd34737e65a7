#pragma once

// Form1: the tool's one window, thirteen controls in a layout that never changes. The two
// buttons run the batch over File1 with Text1's text as the birthday; the change events
// of Drive1, Dir1 and Text1 and the window's opening and closing are there for the
// navigation to handle.

#include "naming/batch.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace ui {

class BirthdayBox;
class DriveList;
class FileList;
class FolderList;
class RectangleOutline;
class UserFeedback;

class Form1 : public QWidget {
    Q_OBJECT

public:
    // `feedback` and `shootingTimes` serve every run and must outlive the window.
    Form1(UserFeedback& feedback, naming::ShootingTimeSource& shootingTimes,
          QWidget* parent = nullptr);

    DriveList& drive1() const { return *drive1_; }
    FolderList& dir1() const { return *dir1_; }
    FileList& file1() const { return *file1_; }
    BirthdayBox& text1() const { return *text1_; }

    // Raises opening() first, the first time the window is shown.
    void setVisible(bool visible) override;

signals:
    // Raised once, when the window is first asked to show and before any of it is shown:
    // the place to restore settings.
    void opening();
    // Raised when the window closes. The close cannot be refused.
    void closing();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void placeControls();
    void connectEvents();

    void command1Click();
    void command2Click();
    void runBatch(naming::RunMode mode);

    QWidget* control(std::string_view name) const;

    UserFeedback& feedback_;
    naming::ShootingTimeSource& shootingTimes_;
    bool opened_ = false;
    bool placed_ = false;

    QLabel* image1_ = nullptr;
    RectangleOutline* shape1_ = nullptr;
    QGroupBox* frame1_ = nullptr;
    DriveList* drive1_ = nullptr;
    FolderList* dir1_ = nullptr;
    FileList* file1_ = nullptr;
    RectangleOutline* shape2_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label3_ = nullptr;
    QLabel* label2_ = nullptr;
    BirthdayBox* text1_ = nullptr;
    QPushButton* command2_ = nullptr;
    QPushButton* command1_ = nullptr;
};

} // namespace ui
