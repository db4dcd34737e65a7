#include "ui/file_list.h"

#include "platform/photo_listing.h"
#include "ui/inner_widget.h"

#include <QDir>
#include <QFileInfo>
#include <QListView>
#include <QStringListModel>

namespace ui {

FileList::FileList(QWidget* parent)
    : QWidget(parent), view_(new QListView(this)), names_(new QStringListModel(this)),
      path_(QDir::currentPath()) {
    fillWith(*this, *view_);
    view_->setModel(names_);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row the same height: the view then lays out 20,000 names without measuring them.
    view_->setUniformItemSizes(true);
    refresh();
}

QString FileList::path() const {
    return QDir::toNativeSeparators(path_);
}

bool FileList::setPath(const QString& path) {
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir())
        return false;
    path_ = QDir::cleanPath(folder.absoluteFilePath());
    refresh();
    return true;
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

int FileList::count() const {
    return names_->rowCount();
}

QString FileList::name(int index) const {
    return names_->index(index).data().toString();
}

bool FileList::selected(int index) const {
    return view_->selectionModel()->isSelected(names_->index(index));
}

void FileList::refresh() {
    const std::vector<std::string> files =
        platform::listPhotos(QDir::toNativeSeparators(path_).toStdString(), pattern_.toStdString());
    QStringList names;
    names.reserve(static_cast<qsizetype>(files.size()));
    for (const std::string& file : files)
        names.append(QString::fromStdString(file));
    names_->setStringList(names);
}

} // namespace ui
