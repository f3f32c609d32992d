// The zelvo program: the application's window on the main loop of the process.
#include <QApplication>
#include <QIcon>
#include <QSurfaceFormat>

#include "Foundation/KeepLibrariesLoaded.h"
#include "Foundation/MainThread.h"
#include "Resources/Resources.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/ZelvoAppDelegate.h"

int main(int argc, char** argv) {
  // The wall's context format must be the default before the first window exists.
  QSurfaceFormat::setDefaultFormat(zelvo::VideoView::defaultPixelFormat());
  QApplication application(argc, argv);
  // The data folder is ~/.local/share/Zelvo: an application name and no organisation.
  QApplication::setApplicationName(QStringLiteral("Zelvo"));
  QApplication::setDesktopFileName(QStringLiteral("zelvo"));
  QApplication::setQuitOnLastWindowClosed(zelvo::ZelvoAppDelegate::applicationShouldTerminateAfterLastWindowClosed());
  zelvo::registerResources();
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/zelvo.png")));
  zelvo::installMainThreadHops();

  int status = 1;
  {
    zelvo::ZelvoAppDelegate delegate;
    QObject::connect(&delegate, &zelvo::ZelvoAppDelegate::terminate, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (delegate.applicationDidFinishLaunching()) status = application.exec();
    zelvo::closeMainThreadHops();
  }
  return status;
}
