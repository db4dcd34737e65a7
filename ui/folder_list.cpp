#include "ui/folder_list.h"

#include "platform/files/photo_listing.h"
#include "ui/artwork.h"
#include "ui/focus_frame.h"
#include "ui/inner_widget.h"
#include "ui/native_names.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <vector>

namespace ui {
namespace {

constexpr int kIndentPixels = 10;       // per level of depth
constexpr int kPathRole = Qt::UserRole; // the entry's full path, bytes as the file system has them

// The folder and every folder above it, the root first.
std::vector<std::string> chainTo(const std::string& folder) {
    std::vector<std::string> chain{folder};
    while (!isRoot(chain.front()))
        chain.insert(chain.begin(), parentFolder(chain.front()));
    return chain;
}

// Depth shows as indentation alone: no expand arrows, since every entry stays expanded.
class FolderTree : public FocusFramed<QTreeWidget> {
public:
    using FocusFramed::FocusFramed;

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

void describe(QTreeWidgetItem& item, const std::string& folder, const QIcon& icon) {
    item.setText(0, shownName(lastName(folder)));
    item.setIcon(0, icon);
    item.setData(0, kPathRole, QByteArray::fromStdString(folder));
}

} // namespace

// The folder icons are the program's own: the style's standard ones search the icon
// themes on disk, a noticeable part of the window's start.
FolderList::FolderList(const std::string& start, QWidget* parent)
    : QWidget(parent), tree_(new FolderTree(this)), path_(normalFolder(start)),
      openIcon_(folderIcon(QStringLiteral(":/folder-open-16.png"))),
      closedIcon_(folderIcon(QStringLiteral(":/folder-closed-16.png"))) {
    fillWith(*this, *tree_);
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setExpandsOnDoubleClick(false);
    tree_->setIndentation(kIndentPixels);
    tree_->header()->setStretchLastSection(false);
    list();
    connect(tree_, &QTreeWidget::itemActivated, this, &FolderList::open);
}

std::string FolderList::path() const {
    return path_;
}

// A folder the user opened that is refused, here or by whoever handles pathChanged, leaves
// the lists on the shown folder, and the highlight goes back to it.
bool FolderList::setPath(const std::string& path) {
    if (!isListableFolder(path))
        return false;
    const std::string normal = normalFolder(path);
    if (normal == path_) {
        highlightShown();
        return true;
    }
    path_ = normal;
    list();
    emit pathChanged(path_);
    return true;
}

void FolderList::open(QTreeWidgetItem* item) {
    const std::string folder = item->data(0, kPathRole).toByteArray().toStdString();
    if (setPath(folder))
        return;
    highlightShown();
    emit openRefused(folder);
}

void FolderList::list() {
    tree_->clear();
    shown_ = nullptr;
    for (const std::string& folder : chainTo(path_)) {
        shown_ = shown_ ? new QTreeWidgetItem(shown_) : new QTreeWidgetItem(tree_);
        describe(*shown_, folder, openIcon_);
    }
    // The entry types come from the listing itself: a folder of 20,000 photos costs no stat.
    for (const std::string& name : platform::listFolders(path_))
        describe(*new QTreeWidgetItem(shown_), childPath(path_, name), closedIcon_);
    tree_->expandAll();
    // As wide as the widest entry, so that deep folders scroll sideways. Sized here rather
    // than by the header's resize mode, which also measures the hidden header's caption
    // in bold: a font of its own to load at start-up.
    tree_->resizeColumnToContents(0);
    highlightShown();
}

void FolderList::highlightShown() {
    tree_->setCurrentItem(shown_);
    tree_->scrollToItem(shown_);
}

} // namespace ui
