#include "app/window_argument.h"

#include <QCoreApplication>
#include <QStringList>

namespace app {

// argv holds the ANSI code page's spelling, which cannot carry every name; Qt reads the
// UTF-16 command line.
std::string windowArgument(int, char**) {
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.size() > 1 ? arguments[1].toStdString() : std::string();
}

} // namespace app
