#include "app/window_argument.h"

#include <QCoreApplication>
#include <QStringList>

namespace app {

// argv holds the ANSI code page's spelling, which cannot carry every name; Qt reads the
// UTF-16 command line. Explorer quotes a drive's root as "E:\", which the command line's
// rules read as E: and a quote; no Windows name holds a quote, so it is taken for the
// backslash it followed.
std::string windowArgument(int, char**) {
    const QStringList arguments = QCoreApplication::arguments();
    QString given = arguments.value(1);
    if (given.endsWith(QLatin1Char('"')))
        given = given.chopped(1) + QLatin1Char('\\');
    return given.toStdString();
}

} // namespace app
