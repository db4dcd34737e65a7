#pragma once

// The effects that the user notices besides the renamed files and the lists: the tool's
// error messages and the busy cursor of a run, the beep of a refused drive or folder, and
// undo's question and what it has to tell.
// The window reaches them only through UserFeedback, so the tests record them instead of
// blocking on a dialog.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

namespace ui {

class UserFeedback {
public:
    virtual ~UserFeedback() = default;
    // Shows one of the tool's messages and returns once the user has dismissed it.
    virtual void showMessage(const QString& text) = 0;
    // True while a run lasts; calls pair up, true then false.
    virtual void setBusy(bool busy) = 0;
    // A drive or folder the user picked could not be shown or entered; no message follows.
    virtual void beep() = 0;
    // Asks before something is done: true when the user answers `yes` (Enter), false when
    // the user cancels (Escape).
    virtual bool ask(const QString& question, const QString& yes) = 0;
    // Tells something that is no error, and returns once the user has read it.
    virtual void tell(const QString& text) = 0;
};

// The real thing: message boxes, the wait cursor and the system's beep.
class DialogFeedback final : public UserFeedback {
public:
    void showMessage(const QString& text) override;
    void setBusy(bool busy) override;
    void beep() override;
    bool ask(const QString& question, const QString& yes) override;
    void tell(const QString& text) override;
};

// The box showMessage() runs: modal, titled "错误", the text, a single OK button, no icon.
std::unique_ptr<QMessageBox> createMessageBox(const QString& text, QWidget* parent);
// The box ask() runs: modal, titled with the program's name, the `yes` button the default
// and 取消 the one Escape presses.
std::unique_ptr<QMessageBox> createQuestionBox(const QString& question, const QString& yes,
                                               QWidget* parent);

// Holds the busy state for the lifetime of a scope, however the scope is left.
class BusyScope {
public:
    explicit BusyScope(UserFeedback& feedback) : feedback_(feedback) { feedback_.setBusy(true); }
    ~BusyScope() { feedback_.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    UserFeedback& feedback_;
};

} // namespace ui
