#pragma once

// The window's user-facing effects written down instead of shown: messages, the busy
// state of each run, and beeps.

#include "ui/user_feedback.h"

#include <QList>
#include <QStringList>

namespace fixture {

class RecordingFeedback : public ui::UserFeedback {
public:
    QStringList messages;
    QList<bool> busy;
    int beeps = 0;

    void showMessage(const QString& text) override { messages << text; }
    void setBusy(bool state) override { busy << state; }
    void beep() override { ++beeps; }
};

} // namespace fixture
