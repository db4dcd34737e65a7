#pragma once

// The small window a long run shows over the main window: what the run is doing, how
// far it is, and a stop button (停止), which Escape and the window's close button press
// too. Pressed, it stops the run between two photos; the window stays until the run has
// ended. Tests find it and its parts by their object names:
//
//   RunProgress   the window             CountLabel    "1234 / 10000"
//   PhaseLabel    what the run is doing  ProgressBar   the bar
//   StopButton    停止

#include "naming/batch.h"

#include <QDialog>
#include <cstddef>
#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ui {

// What the run does to the photos: names them, or takes a run back.
enum class RunKind { Rename, Undo };

class RunProgressWindow : public QDialog {
    Q_OBJECT

public:
    // Above `window`, in its font. It is modal in effect, as the window takes no input
    // while a run lasts, but not to Qt, whose modality would drop the window's close.
    explicit RunProgressWindow(QWidget* window, RunKind kind = RunKind::Rename);

    void showProgress(naming::Phase phase, std::size_t done, std::size_t total);

signals:
    // Raised once, on the first press of the stop button.
    void stopRequested();

public slots:
    // Escape and the close button: a press of the stop button; the window stays.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // An arrow with the hourglass while shown: the wait cursor of the run would hide that
    // the stop button can be pressed.
    class ArrowWithHourglass {
    public:
        ArrowWithHourglass();
        ~ArrowWithHourglass();
        ArrowWithHourglass(const ArrowWithHourglass&) = delete;
        ArrowWithHourglass& operator=(const ArrowWithHourglass&) = delete;
    };

    void stop();

    RunKind kind_;
    std::optional<ArrowWithHourglass> cursor_;
    QLabel* phase_;
    QLabel* count_;
    QProgressBar* bar_;
    QPushButton* stopButton_;
};

} // namespace ui
