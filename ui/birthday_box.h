#pragma once

// The birthday box: the one-line box for the child's birthday, typed like 2007-03-26.
// The input method stays off, so digits and dashes arrive as typed, and no more than ten
// characters can be typed in. A text set from the program is kept whole, whatever its
// length: a remembered birthday must come back exactly as it was stored.

#include <QString>
#include <QWidget>

class QLineEdit;

namespace ui {

class BirthdayBox : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTypedLength = 10; // the length of "2007-03-26"

    explicit BirthdayBox(QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);

signals:
    // Raised on every change, inside it: each keystroke, paste or deletion, and setText().
    void textChanged(const QString& text);

private:
    void edited(const QString& text);
    void lowerLimitTo(qsizetype length);

    QLineEdit* edit_;
};

} // namespace ui
