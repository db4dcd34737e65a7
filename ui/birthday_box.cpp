#include "ui/birthday_box.h"

#include "ui/inner_widget.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>

namespace ui {
namespace {

// QLineEdit tells Qt it takes input-method text whatever its WA_InputMethodEnabled says;
// this one says no, so Qt routes no input method to it.
class NoInputMethodEdit : public QLineEdit {
public:
    using QLineEdit::inputMethodQuery;
    using QLineEdit::QLineEdit;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
        return query == Qt::ImEnabled ? QVariant(false) : QLineEdit::inputMethodQuery(query);
    }

protected:
    // Ctrl+Z undoes the typing while there is typing to undo; then it is the window's again,
    // which takes back the last run (the box has the focus when the window opens).
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride && !isUndoAvailable() &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
            event->ignore();
            return true;
        }
        return QLineEdit::event(event);
    }
};

} // namespace

// QLineEdit's maximum length refuses typing beyond it, and also cuts down any longer text
// that is set. So the maximum is ten, raised only to let a longer text be set whole, and
// lowered again, never below ten, as such a text is shortened.

BirthdayBox::BirthdayBox(QWidget* parent) : QWidget(parent), edit_(new NoInputMethodEdit(this)) {
    fillWith(*this, *edit_);
    edit_->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit_->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    edit_->setMaxLength(kTypedLength);
    connect(edit_, &QLineEdit::textChanged, this, &BirthdayBox::edited);
}

QString BirthdayBox::text() const {
    return edit_->text();
}

void BirthdayBox::setText(const QString& text) {
    if (text.size() > edit_->maxLength())
        edit_->setMaxLength(static_cast<int>(text.size()));
    edit_->setText(text);
}

void BirthdayBox::edited(const QString& text) {
    lowerLimitTo(text.size());
    emit textChanged(text);
}

void BirthdayBox::lowerLimitTo(qsizetype length) {
    const auto limit = static_cast<int>(std::max<qsizetype>(kTypedLength, length));
    if (limit >= edit_->maxLength())
        return;
    // Changing the maximum sets the text again, which puts the cursor at the end.
    const int cursor = edit_->cursorPosition();
    edit_->setMaxLength(limit);
    edit_->setCursorPosition(cursor);
}

} // namespace ui
