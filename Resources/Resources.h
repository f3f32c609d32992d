#pragma once
// The application's resources, compiled into the program from Resources.qrc.

#include <QImage>
#include <QString>

namespace zelvo {

// The image of the given name and type ("osd_ptz", "png"); a null image when there is none.
QImage imageResource(const QString& name, const QString& type);

}  // namespace zelvo
