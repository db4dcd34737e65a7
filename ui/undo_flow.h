#pragma once

// The undo the window offers (Ctrl+Z, the file list's menu): a question naming the run,
// the undo in the background with its progress, the list read again, and a word on
// whatever kept photos from going back.

#include "runs/runs.h"

namespace ui {

class ModalRun;
class FileList;
class UserFeedback;

// Undoes the last run on the folder `files` shows, once the user agrees.
void undoShownFolder(FileList& files, UserFeedback& feedback, ModalRun& background,
                     const runs::Control& control);

} // namespace ui
