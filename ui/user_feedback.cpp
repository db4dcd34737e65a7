#include "ui/user_feedback.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace ui {

std::unique_ptr<QMessageBox> createMessageBox(const QString& text, QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("错误"), text,
                                             QMessageBox::Ok, parent);
    box->button(QMessageBox::Ok)->setText(QStringLiteral("确定")); // as Chinese Windows says OK
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

std::unique_ptr<QMessageBox> createQuestionBox(const QString& question, const QString& yes,
                                               QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QStringLiteral("Tamblinor"),
                                             question, QMessageBox::NoButton, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setDefaultButton(box->addButton(yes, QMessageBox::AcceptRole));
    box->setEscapeButton(box->addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
    return box;
}

namespace {

// A box may come in the middle of a run: the wait cursor would hide that it is waiting
// for the user.
int execWithArrow(QMessageBox& box) {
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    QApplication::restoreOverrideCursor();
    return result;
}

} // namespace

void DialogFeedback::showMessage(const QString& text) {
    execWithArrow(*createMessageBox(text, QApplication::activeWindow()));
}

bool DialogFeedback::ask(const QString& question, const QString& yes) {
    const std::unique_ptr<QMessageBox> box =
        createQuestionBox(question, yes, QApplication::activeWindow());
    execWithArrow(*box);
    return box->buttonRole(box->clickedButton()) == QMessageBox::AcceptRole;
}

void DialogFeedback::tell(const QString& text) {
    const std::unique_ptr<QMessageBox> box = createMessageBox(text, QApplication::activeWindow());
    box->setWindowTitle(QStringLiteral("Tamblinor"));
    box->setIcon(QMessageBox::Information);
    execWithArrow(*box);
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
