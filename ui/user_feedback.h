#pragma once

// The effects that the user notices besides the renamed files and the lists: the tool's
// error messages and the busy cursor of a run, and the beep of a refused drive or folder.
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
};

// The real thing: message boxes, the wait cursor and the system's beep.
class DialogFeedback final : public UserFeedback {
public:
    void showMessage(const QString& text) override;
    void setBusy(bool busy) override;
    void beep() override;
};

// The box showMessage() runs: modal, titled "错误", the text, a single OK button, no icon.
std::unique_ptr<QMessageBox> createMessageBox(const QString& text, QWidget* parent);

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
