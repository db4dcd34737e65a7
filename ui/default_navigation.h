#pragma once

// A stand-in for the navigation handlers until they are written, to be replaced by them:
// a new drive is shown in Dir1, a new folder is listed by File1 and becomes the process's
// current folder, and File1 lists "*.jpg" from the moment the window opens. Nothing is
// remembered between runs.

namespace ui {

class Form1;

void connectDefaultNavigation(Form1& form);

} // namespace ui
