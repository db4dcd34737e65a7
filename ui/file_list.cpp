#include "ui/file_list.h"

#include "platform/photo_listing.h"
#include "ui/inner_widget.h"

#include <QAbstractListModel>
#include <QDir>
#include <QFileInfo>
#include <QListView>

namespace ui {

// The names File1 shows. After each change of folder or pattern the folder is read when
// the names are first asked for, by the view or by FileList, and not before: the window,
// while it opens, sets File1's folder and then its pattern, and the folder is read once,
// for its first paint, with both in place.
class FileList::Names final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Forgets the names; the next question reads `folder` for `pattern`.
    void relist(const QString& folder, const QString& pattern) {
        beginResetModel();
        folder_ = folder;
        pattern_ = pattern;
        names_.clear();
        read_ = false;
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        if (parent.isValid())
            return 0;
        read();
        return static_cast<int>(names_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!checkIndex(index,
                        CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return {};
        read();
        return names_.at(index.row());
    }

private:
    void read() const {
        if (read_)
            return;
        read_ = true;
        const std::vector<std::string> files = platform::listPhotos(
            QDir::toNativeSeparators(folder_).toStdString(), pattern_.toStdString());
        names_.reserve(static_cast<qsizetype>(files.size()));
        for (const std::string& file : files)
            names_.append(QString::fromStdString(file));
    }

    QString folder_;
    QString pattern_;
    mutable QStringList names_;
    mutable bool read_ = false;
};

FileList::FileList(QWidget* parent)
    : QWidget(parent), view_(new QListView(this)), names_(new Names(this)),
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
    names_->relist(path_, pattern_);
}

} // namespace ui
