#include "ui/window_fonts.h"

#include <QFontDatabase>
#include <QSet>

namespace ui {
namespace {

// The families of `wanted` that are installed, in its order; `wanted` itself when none is.
// A font whose first family is missing has Qt ask the system for that family's fallbacks,
// once per script, even with an installed family after it: each font names only what is
// installed, looked up once, and is drawn with the same family as the full list would be.
QStringList installed(const QStringList& wanted) {
    static const QSet<QString> families = [] {
        QSet<QString> names;
        for (const QString& family : QFontDatabase::families())
            names.insert(family.section(QStringLiteral(" ["), 0, 0).toCaseFolded()); // foundry
        return names;
    }();
    QStringList found;
    for (const QString& family : wanted) {
        if (families.contains(family.toCaseFolded()))
            found << family;
    }
    return found.isEmpty() ? wanted : found;
}

} // namespace

QFont makeFont(const QStringList& families, qreal points) {
    QFont font;
    font.setFamilies(installed(families));
    font.setPointSizeF(points);
    return font;
}

} // namespace ui
