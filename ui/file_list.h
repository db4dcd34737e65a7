#pragma once

// File1: the ordinary files of one folder whose names match a pattern (letters without
// regard to case), in natural order, numbered from 0, with extended selection (click,
// Shift+click, Ctrl+click). Lists tens of thousands of photos without a pause. The folder
// is read when its names are first looked at (by these functions or by painting) after
// a change of folder or pattern or a refresh, so changes in a row read it once.

#include <QString>
#include <QWidget>

class QListView;

namespace ui {

class FileList : public QWidget {
    Q_OBJECT

public:
    // Starts on the process's current folder, listing every file ("*").
    explicit FileList(QWidget* parent = nullptr);

    // The listed folder's full path, in the system's notation.
    QString path() const;
    // Lists the folder `path`. False, and the list unchanged, when it is no folder.
    bool setPath(const QString& path);
    // Lists the files matching `pattern` ("*" any run, "?" one character), such as "*.jpg".
    void setPattern(const QString& pattern);

    int count() const;
    // The file name, without its folder, of entry `index` in [0, count()).
    QString name(int index) const;
    bool selected(int index) const;

    // Reads the folder again; the selection is cleared.
    void refresh();

private:
    class Names;

    QListView* view_;
    Names* names_;
    QString path_; // absolute, with "/" separators
    QString pattern_ = QStringLiteral("*");
};

} // namespace ui
