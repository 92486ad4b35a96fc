#include <QApplication>

#include "command_line.h"
#include "main_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("SetVornIP"));
  QApplication::setApplicationVersion(QStringLiteral("1.00"));
  ApplyCommandLine(QApplication::arguments());
  MainWindow window;
  CentreOnScreen(window);
  window.show();
  return QApplication::exec();
}
