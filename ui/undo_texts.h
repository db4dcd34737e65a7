#pragma once

// What the window says when it undoes a run: the question before, naming the run by the
// time it was made and the photos that get their names back, and, after, what kept
// photos from going back or the undo from being done.

#include "runs/runs.h"

#include <QString>

namespace ui {

// The question before undoing `run`, a readable record.
QString undoQuestion(const runs::RunRecord& run);

// What the user is to hear of an undo that ended so; empty when all went back, or when
// the user stopped it and sees in the file list how far it got.
QString undoReport(const runs::Outcome& outcome);

// There is nothing left to undo in the folder.
QString nothingToUndo();
// The folder to undo in cannot be opened.
QString folderGone();

} // namespace ui
