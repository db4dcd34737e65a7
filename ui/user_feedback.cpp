#include "ui/user_feedback.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

std::unique_ptr<QMessageBox> createMessageBox(const QString& text, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("错误"), text,
                                             QMessageBox::Ok, parent);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void DialogFeedback::showMessage(const QString& text) {
    const std::unique_ptr<QMessageBox> box = createMessageBox(text, QApplication::activeWindow());
    // The message may come in the middle of a run: the wait cursor would hide that the
    // box is waiting for the user.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    box->exec();
    QApplication::restoreOverrideCursor();
}

void DialogFeedback::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void DialogFeedback::beep() {
    QApplication::beep();
}

} // namespace ui
