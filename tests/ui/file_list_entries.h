#pragma once

// The names the file list shows, read from its view as a person sees them.

#include "ui/file_list.h"

#include <QListView>
#include <QStringList>

namespace fixture {

inline QStringList entries(const ui::FileList& list) {
    const QAbstractItemModel* model = list.findChild<QListView*>()->model();
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    return names;
}

} // namespace fixture
