#include "ui/folder_list.h"

#include "platform/photo_listing.h"
#include "ui/artwork.h"
#include "ui/inner_widget.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeWidget>

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

// The visible folders directly inside `path`, in the file list's natural order. The
// entry types come from the listing itself: a folder of 20,000 photos costs no stat.
QStringList subfolders(const QString& path) {
    QStringList names;
    for (const std::string& name :
         platform::listFolders(QDir::toNativeSeparators(path).toStdString()))
        names.append(QString::fromStdString(name));
    return names;
}

// Depth shows as indentation alone: no expand arrows, since every entry stays expanded.
class FolderTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;

protected:
    void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}
};

// Drawn as it is on the selection's colour too, rather than tinted with it.
QIcon folderIcon(const QString& resource) {
    const QPixmap picture = pngArtwork(resource);
    QIcon icon(picture);
    icon.addPixmap(picture, QIcon::Selected);
    return icon;
}

QString entryText(const QString& folder) {
    const QFileInfo info(folder);
    return info.isRoot() ? QDir::toNativeSeparators(folder) : info.fileName();
}

} // namespace

// The folder icons are the program's own: the style's standard ones search the icon
// themes on disk, a noticeable part of the window's start.
FolderList::FolderList(QWidget* parent)
    : QWidget(parent), tree_(new FolderTree(this)), path_(QDir::currentPath()),
      openIcon_(folderIcon(QStringLiteral(":/folder-open-16.png"))),
      closedIcon_(folderIcon(QStringLiteral(":/folder-closed-16.png"))) {
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
    tree_->clear();

    QTreeWidgetItem* shown = nullptr;
    for (const QString& folder : chainTo(path_)) {
        shown = shown ? new QTreeWidgetItem(shown) : new QTreeWidgetItem(tree_);
        shown->setText(0, entryText(folder));
        shown->setIcon(0, openIcon_);
        shown->setData(0, kPathRole, folder);
    }
    const QDir dir(path_);
    for (const QString& name : subfolders(path_)) {
        auto* inside = new QTreeWidgetItem(shown, {name});
        inside->setIcon(0, closedIcon_);
        inside->setData(0, kPathRole, dir.absoluteFilePath(name));
    }
    tree_->expandAll();
    tree_->setCurrentItem(shown);
    tree_->scrollToItem(shown);
}

} // namespace ui
