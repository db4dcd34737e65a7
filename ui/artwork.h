#pragma once

// The program's own pictures, compiled in from resources/.

#include <QImageReader>
#include <QPixmap>
#include <QString>

namespace ui {

// The PNG picture `resource` (":/name.png"), read by Qt's own PNG reader. Left to detect
// the format, the reader first offers the file to every image format plugin installed,
// loading each one (GIF, ICO, ...) at the window's start for nothing.
inline QPixmap pngArtwork(const QString& resource) {
    QImageReader reader(resource, "PNG");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace ui
