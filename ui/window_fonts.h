#pragma once

// The window's fonts: the families of its design, each followed by one that has the
// Chinese characters where the design's lack them.

#include <QFont>
#include <QString>
#include <QStringList>

namespace ui {

// Arial and 宋体 carry no Chinese, or are missing altogether on Linux; this font has
// the characters, and its line height lets the instructions fit their rectangle.
inline const QString kChineseFallback = QStringLiteral("WenQuanYi Micro Hei");

// A font of the first installed families of `families`, at `points`.
QFont makeFont(const QStringList& families, qreal points);

} // namespace ui
