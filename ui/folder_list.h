#pragma once

// The folder list: the shown folder with the folders above it and the folders directly
// inside it, each indented by its depth, open folders above and closed ones inside. The
// shown folder is highlighted. Opening an entry (double-click or Enter) makes it the
// shown folder; an entry whose folder cannot be read (gone since it was listed, or closed
// to the user) is refused.
//
// Paths are kept as the file system spells them (see native_names.h): a folder whose name
// is not UTF-8 is shown readably and opened all the same.

#include <QIcon>
#include <QWidget>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class FolderList : public QWidget {
    Q_OBJECT

public:
    // Starts on the folder `start`, a full path.
    explicit FolderList(const std::string& start, QWidget* parent = nullptr);

    // The full path of the shown folder, in the system's notation.
    std::string path() const;

    // Shows the folder `path`: a full path, a path relative to the current folder, or a
    // drive as DriveList reports it (then that drive's current folder), and highlights it,
    // also when it was shown already. False, and nothing changes, when `path` is no folder
    // that can be read.
    bool setPath(const std::string& path);

signals:
    // Raised inside the change, whether the user opened the folder or setPath() did.
    void pathChanged(const std::string& path);
    // Raised when the user opens an entry whose folder cannot be shown; nothing changes.
    void openRefused(const std::string& path);

private:
    void open(QTreeWidgetItem* item);
    void list();
    void highlightShown();

    QTreeWidget* tree_;
    QTreeWidgetItem* shown_ = nullptr;
    std::string path_; // normal (see normalFolder)
    QIcon openIcon_;   // the shown folder and those above it
    QIcon closedIcon_; // the folders inside it
};

} // namespace ui
