#include "ui/run_progress.h"

#include "ui/named_control.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

namespace ui {
namespace {

constexpr int kBarWidth = 280; // pixels

QString phaseText(naming::Phase phase, RunKind kind) {
    switch (phase) {
    case naming::Phase::Reading:
        return QStringLiteral("正在读取拍摄时间…");
    case naming::Phase::Renaming:
        return kind == RunKind::Undo ? QStringLiteral("正在改回原名…")
                                     : QStringLiteral("正在改名…");
    case naming::Phase::Waiting:
        return QStringLiteral("正在等待同一文件夹的另一次改名…");
    }
    return {};
}

int clamped(std::size_t count) {
    return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

} // namespace

RunProgressWindow::RunProgressWindow(QWidget* window, RunKind kind) : QDialog(window), kind_(kind) {
    setObjectName(QStringLiteral("RunProgressWindow"));
    setWindowTitle(QStringLiteral("请稍候"));
    setAttribute(Qt::WA_WindowPropagation); // the main window's font, which has the Chinese

    phase_ = createNamed<QLabel>(this, "PhaseLabel");
    count_ = createNamed<QLabel>(this, "CountLabel");
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    bar_ = createNamed<QProgressBar>(this, "ProgressBar");
    bar_->setMinimumWidth(kBarWidth);
    stopButton_ = createNamed<QPushButton>(this, "StopButton", QStringLiteral("停止"));

    auto* texts = new QHBoxLayout;
    texts->addWidget(phase_);
    texts->addWidget(count_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(stopButton_);
    auto* column = new QVBoxLayout(this);
    column->addLayout(texts);
    column->addWidget(bar_);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);

    connect(stopButton_, &QPushButton::clicked, this, &RunProgressWindow::stop);
}

void RunProgressWindow::showProgress(naming::Phase phase, std::size_t done, std::size_t total) {
    phase_->setText(phaseText(phase, kind_));
    // A wait has no count; its empty range makes the bar a busy one.
    count_->setText(phase == naming::Phase::Waiting
                        ? QString()
                        : QStringLiteral("%1 / %2").arg(done).arg(total));
    bar_->setRange(0, clamped(total));
    bar_->setValue(clamped(done));
}

void RunProgressWindow::reject() {
    stopButton_->click();
}

void RunProgressWindow::stop() {
    stopButton_->setEnabled(false);
    emit stopRequested();
}

RunProgressWindow::ArrowWithHourglass::ArrowWithHourglass() {
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

RunProgressWindow::ArrowWithHourglass::~ArrowWithHourglass() {
    QApplication::restoreOverrideCursor();
}

void RunProgressWindow::showEvent(QShowEvent* event) {
    if (!cursor_)
        cursor_.emplace();
    QDialog::showEvent(event);
}

void RunProgressWindow::hideEvent(QHideEvent* event) {
    cursor_.reset();
    QDialog::hideEvent(event);
}

} // namespace ui
