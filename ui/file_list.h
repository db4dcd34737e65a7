#pragma once

// The file list: the ordinary files of one folder whose names match a pattern (letters
// without regard to case), in natural order, numbered from 0, with extended selection
// (click, Shift+click, Ctrl+click). Lists tens of thousands of photos without a pause.
// The folder is read when its names are first looked at (by these functions or by
// painting) after a change of folder or pattern or a refresh, so changes in a row read it
// once.
//
// Folder and names are kept as the file system spells them (see native_names.h), so a
// photo whose name is not UTF-8 is shown readably and still handed on exactly.

#include <QWidget>
#include <string>

class QListView;

namespace ui {

class FileList : public QWidget {
    Q_OBJECT

public:
    // Starts on the folder `start`, a full path, listing every file ("*").
    explicit FileList(const std::string& start, QWidget* parent = nullptr);

    // The listed folder's full path, in the system's notation.
    std::string path() const;
    // Lists the folder `path`. False, and the list unchanged, when it is no folder.
    bool setPath(const std::string& path);
    // Lists the files matching `pattern` ("*" any run, "?" one character), such as "*.jpg";
    // the selected files still listed stay selected.
    void setPattern(const std::string& pattern);

    int count() const;
    // Entry `index` in [0, count()): its name, without its folder, exactly as the file
    // system gave it, which is what a run is handed. The list shows it with any byte that
    // is not part of UTF-8 as U+FFFD.
    std::string fileName(int index) const;
    bool selected(int index) const;

    // Reads the folder again; the selection is cleared.
    void refresh();

private:
    class Names;

    QListView* view_;
    Names* names_;
    std::string path_; // normal (see normalFolder)
    std::string pattern_ = "*";
};

} // namespace ui
