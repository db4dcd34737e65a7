#pragma once

// The window's user-facing effects written down instead of shown: messages, the busy
// state of each run, beeps, and questions, answered from a list the test fills.

#include "ui/user_feedback.h"

#include <QList>
#include <QStringList>

namespace fixture {

class RecordingFeedback : public ui::UserFeedback {
public:
    QStringList messages;
    QList<bool> busy;
    int beeps = 0;
    QStringList questions;
    QList<bool> answers; // the next questions' answers; none left: cancel
    QStringList told;

    void showMessage(const QString& text) override { messages << text; }
    void setBusy(bool state) override { busy << state; }
    void beep() override { ++beeps; }
    bool ask(const QString& question, const QString&) override {
        questions << question;
        return !answers.isEmpty() && answers.takeFirst();
    }
    void tell(const QString& text) override { told << text; }
};

} // namespace fixture
