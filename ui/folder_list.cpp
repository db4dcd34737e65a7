#include "ui/folder_list.h"

#include "platform/photo_listing.h"
#include "ui/inner_widget.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>

namespace ui {
namespace {

constexpr int kIndentPixels = 10; // per level of depth
constexpr int kPathRole = Qt::UserRole;

// The folder and every folder above it, the root first.
QStringList chainTo(const QString& path) {
    QDir dir(path);
    QStringList chain{dir.absolutePath()};
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

// The visible folders directly inside `path`, in the file list's natural order.
QStringList subfolders(const QString& path) {
    QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return platform::naturalLess(a.toStdString(), b.toStdString());
    });
    return names;
}

// Depth shows as indentation alone: no expand arrows, since every entry stays expanded.
class FolderTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

QString entryText(const QString& folder) {
    const QFileInfo info(folder);
    return info.isRoot() ? QDir::toNativeSeparators(folder) : info.fileName();
}

} // namespace

FolderList::FolderList(QWidget* parent)
    : QWidget(parent), tree_(new FolderTree(this)), path_(QDir::currentPath()) {
    fillWith(*this, *tree_);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setIndentation(kIndentPixels);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list();
    connect(tree_, &QTreeWidget::itemActivated, this, &FolderList::open);
}

QString FolderList::path() const {
    return QDir::toNativeSeparators(path_);
}

bool FolderList::setPath(const QString& path) {
    const QFileInfo folder(path);
    if (path.isEmpty() || !folder.isDir() || !folder.isReadable())
        return false;
    const QString absolute = QDir::cleanPath(folder.absoluteFilePath());
    if (absolute == path_)
        return true;
    path_ = absolute;
    list();
    emit pathChanged(this->path());
    return true;
}

void FolderList::open(QTreeWidgetItem* item) {
    const QString folder = item->data(0, kPathRole).toString();
    if (!setPath(folder))
        emit openRefused(QDir::toNativeSeparators(folder));
}

void FolderList::list() {
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    tree_->clear();

    QTreeWidgetItem* shown = nullptr;
    for (const QString& folder : chainTo(path_)) {
        shown = shown ? new QTreeWidgetItem(shown) : new QTreeWidgetItem(tree_);
        shown->setText(0, entryText(folder));
        shown->setIcon(0, openIcon);
        shown->setData(0, kPathRole, folder);
    }
    const QDir dir(path_);
    for (const QString& name : subfolders(path_)) {
        auto* inside = new QTreeWidgetItem(shown, {name});
        inside->setIcon(0, closedIcon);
        inside->setData(0, kPathRole, dir.absoluteFilePath(name));
    }
    tree_->expandAll();
    tree_->setCurrentItem(shown);
    tree_->scrollToItem(shown);
}

} // namespace ui
