#include "ui/file_list.h"

#include "platform/files/photo_listing.h"
#include "platform/files/utf8_path.h"
#include "ui/focus_frame.h"
#include "ui/inner_widget.h"
#include "ui/native_names.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QContextMenuEvent>
#include <QItemSelection>
#include <QListView>
#include <QShortcut>
#include <filesystem>
#include <unordered_set>
#include <vector>

namespace ui {

// The names the file list shows. After each change of folder or pattern the folder is
// read when the names are first asked for, by the view or by FileList, and not before:
// the window, while it opens, sets the list's folder and then its pattern, and the folder
// is read once, for its first paint, with both in place. A name becomes text only when it
// is shown.
class FileList::Names final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // Forgets the names; the next question reads `folder` for `pattern`.
    void relist(const std::string& folder, const std::string& pattern) {
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
        return shownName(fileName(index.row()));
    }

    const std::string& fileName(int row) const {
        read();
        return names_.at(static_cast<std::size_t>(row));
    }

private:
    void read() const {
        if (read_)
            return;
        read_ = true;
        names_ = platform::listPhotos(folder_, pattern_);
    }

    std::string folder_;
    std::string pattern_;
    mutable std::vector<std::string> names_;
    mutable bool read_ = false;
};

FileList::FileList(const std::string& start, QWidget* parent)
    : QWidget(parent), view_(new FocusFramed<QListView>(this)), names_(new Names(this)),
      path_(normalFolder(start)) {
    fillWith(*this, *view_);
    view_->setModel(names_);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row the same height: the view then lays out 20,000 names without measuring them.
    view_->setUniformItemSizes(true);
    // Shift+F10 opens the context menu as the Menu key does, as in Windows and GNOME; Qt
    // answers only the Menu key everywhere. Taken here, Windows makes no menu of it too.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    menuKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        const QRect current = view_->visualRect(view_->currentIndex());
        const QPoint at = current.isValid() ? current.center() : QPoint(0, 0);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, at,
                                view_->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view_->viewport(), &event);
    });
    refresh();
}

std::string FileList::path() const {
    return path_;
}

bool FileList::setPath(const std::string& path) {
    std::error_code error;
    if (path.empty() || !std::filesystem::is_directory(platform::pathFromUtf8(path), error))
        return false;
    path_ = normalFolder(path);
    refresh();
    return true;
}

// The photos selected stay selected, and the current one current, where still listed: a
// choice of what the list shows is no choice of what to rename.
void FileList::setPattern(const std::string& pattern) {
    std::unordered_set<std::string> selected;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        selected.insert(names_->fileName(index.row()));
    const QModelIndex current = view_->currentIndex();
    const std::string currentName = current.isValid() ? names_->fileName(current.row()) : "";
    pattern_ = pattern;
    refresh();
    if (selected.empty() && currentName.empty())
        return;
    QItemSelection keep;
    for (int row = 0; row < names_->rowCount(); ++row) {
        const std::string& name = names_->fileName(row);
        if (selected.contains(name))
            keep.select(names_->index(row), names_->index(row));
        if (name == currentName)
            view_->selectionModel()->setCurrentIndex(names_->index(row),
                                                     QItemSelectionModel::NoUpdate);
    }
    view_->selectionModel()->select(keep, QItemSelectionModel::Select);
}

int FileList::count() const {
    return names_->rowCount();
}

std::string FileList::fileName(int index) const {
    return names_->fileName(index);
}

bool FileList::selected(int index) const {
    return view_->selectionModel()->isSelected(names_->index(index));
}

void FileList::refresh() {
    names_->relist(path_, pattern_);
}

} // namespace ui
