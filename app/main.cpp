// The zelvo program: the application's window on the main loop of the process.
#include <QApplication>
#include <QIcon>
#include <QSurfaceFormat>

#include "Foundation/MainThread.h"
#include "Resources/Resources.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/ZelvoAppDelegate.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>

// The AddressSanitizer build unloads no shared object. LeakSanitizer looks at the heap
// after main has returned, when the X connection is closed and glvnd has unloaded Mesa's
// driver: what the driver's globals still pointed to then shows as a leak from an unknown
// module, which no suppression can name, and our own leaks would hide among them.
// Defined here, in the program, it takes the place of the C library's for every library.
int dlclose(void* handle) noexcept {
  static_cast<void>(handle);
  return 0;
}
#endif

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
