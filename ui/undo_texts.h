#pragma once

// What the window says of undoing runs: after a run that cannot be undone, that it
// cannot; before an undo, the question, naming the run by the time it was made and the
// photos that get their names back, or why there is none to ask; and, after, what kept
// photos from going back or the undo from being done.

#include "runs/runs.h"

#include <QString>

namespace ui {

// The question before undoing `run`, a readable record.
QString undoQuestion(const runs::RunRecord& run);

// What the user is to hear of an undo that ended so; empty when all went back, or when
// the user stopped it and sees in the file list how far it got.
QString undoReport(const runs::Outcome& outcome);

// A run renamed photos but could not keep its journal.
QString runNotUndoable();
// There is nothing left to undo in the folder.
QString nothingToUndo();
// The record of the folder's last run cannot be read: no undo can be asked about.
QString lastRecordUnreadable();
// The folder to undo in cannot be opened.
QString folderGone();

} // namespace ui
