#include "ui/undo_flow.h"

#include "platform/files/folder_access.h"
#include "ui/file_list.h"
#include "ui/modal_run.h"
#include "ui/undo_texts.h"
#include "ui/user_feedback.h"

#include <string>
#include <system_error>
#include <vector>

namespace ui {

// The undo takes back the run the user was asked about and no other: another program may
// finish a run on the folder, or undo that one, while the question waits or the undo waits
// for its turn. Nothing is undone unasked: where the last run's record cannot be read,
// there is no question to ask. The file list is read again whatever became of the undo.
void undoShownFolder(FileList& files, UserFeedback& feedback, ModalRun& background,
                     const runs::Control& control) {
    const std::string folder = files.path();
    std::string asked; // the journal of the run the user agreed to undo
    {
        const std::vector<runs::RunRecord> history = runs::runHistory(folder);
        const runs::RunRecord* next = runs::nextToUndo(history);
        const bool gone = platform::folderOpenError(folder) != std::error_code();
        if (!next || gone) {
            files.refresh(); // changed by another program since, maybe
            feedback.tell(gone ? folderGone() : nothingToUndo());
            return;
        }
        if (!next->readable) {
            feedback.tell(lastRecordUnreadable());
            return;
        }
        if (!feedback.ask(undoQuestion(*next), QStringLiteral("撤销")))
            return;
        asked = next->journal;
    }
    runs::Outcome outcome;
    {
        const BusyScope busy(feedback);
        outcome = background.run(
            control,
            [&](const runs::Control& c) {
                return runs::undoLastRun(folder, runs::Effect::Rename, c, asked);
            },
            RunKind::Undo);
        files.refresh();
    }
    if (const QString report = undoReport(outcome); !report.isEmpty())
        feedback.tell(report);
}

} // namespace ui
