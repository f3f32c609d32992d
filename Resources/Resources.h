#pragma once
// The application's resources, compiled into the program from Resources.qrc.

#include <QImage>
#include <QString>

namespace zelvo {

// Makes the compiled-in resources reachable under ":/" (a resource file in a static
// library is linked only when something names it). Every loader calls it first; it is
// cheap after the first call.
void registerResources();

// The image of the given name and type ("osd_ptz", "png"); a null image when there is none.
QImage imageResource(const QString& name, const QString& type);

}  // namespace zelvo
