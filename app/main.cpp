// The zelvo program: the application's window on the main loop of the process.
#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QStringList>
#include <QSurfaceFormat>

#include <cstdio>

#include "Foundation/KeepLibrariesLoaded.h"
#include "Foundation/MainThread.h"
#include "Resources/Resources.h"
#include "ViewControllers/VideoView.h"
#include "ViewControllers/ZelvoAppDelegate.h"

namespace {

void describe(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Watch the cameras of networked video recorders live."));
  parser.addHelpOption();
  parser.addVersionOption();
}

// --help and --version answer before the application object exists, so they work
// without a display (over ssh, in a package check). Qt's own options ("-platform
// offscreen") are not ours yet: whatever else the line holds is left for the second
// pass, once the application has taken its options.
bool answersAlone(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (arguments.isEmpty()) arguments << QStringLiteral("zelvo");
  QCommandLineParser parser;
  describe(parser);
  parser.parse(arguments);
  if (parser.isSet(QStringLiteral("help"))) {
    // Without an application object Qt cannot name the program in the usage line.
    QString help = parser.helpText();
    help.replace(QStringLiteral("<executable_name>"), arguments.constFirst());
    std::fputs(qPrintable(help), stdout);
    return true;
  }
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // The data folder is ~/.local/share/Zelvo: an application name and no organisation.
  QApplication::setApplicationName(QStringLiteral("Zelvo"));
  QApplication::setApplicationVersion(QStringLiteral(ZELVO_VERSION));
  if (answersAlone(argc, argv)) return 0;
  // The wall's context format must be the default before the first window exists.
  QSurfaceFormat::setDefaultFormat(zelvo::VideoView::defaultPixelFormat());
  QApplication application(argc, argv);
  {
    // An unknown option ends the program with a message, as --help shows them.
    QCommandLineParser parser;
    describe(parser);
    parser.process(application);
  }
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
