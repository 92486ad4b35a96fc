#include "command_line.h"

#include <QCommandLineParser>

#include "platform.h"

void ApplyCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption interface_option(QStringLiteral("interface"),
                                            QStringLiteral("使うネットワークアダプタの名前"),
                                            QStringLiteral("NAME"));
  parser.addOption(interface_option);
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(arguments);
  if (parser.isSet(interface_option)) {
    setvornip::ChooseAdapter(parser.value(interface_option).toStdU16String());
  }
}
