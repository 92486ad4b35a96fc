#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>

#include "plain_text_log_box.h"

namespace {

// The log rules over the Qt box, as the window applies them.
void AppendLog(QPlainTextEdit& box, const QString& text) {
  PlainTextLogBox log(box);
  setvornip::AppendLog(log, text.toStdU16String());
}

void SetLogText(QPlainTextEdit& box, const QString& text) {
  PlainTextLogBox(box).SetText(text.toStdU16String());
}

void SetLogSelStart(QPlainTextEdit& box, qsizetype position) {
  PlainTextLogBox(box).SetSelStart(static_cast<std::size_t>(position));
}

void ReplaceLogSelection(QPlainTextEdit& box, const QString& text) {
  PlainTextLogBox(box).ReplaceSelection(text.toStdU16String());
}

// A text of the given length whose characters tell their position, so a cut
// shows where it fell.
QString Numbered(qsizetype length) {
  QString text;
  for (qsizetype i = 0; i < length; ++i) text += QChar(u'A' + static_cast<char16_t>(i % 26));
  return text;
}

QString Lines(int count, const QString& line) {
  QString text;
  for (int i = 0; i < count; ++i) text += line + QStringLiteral("\r\n");
  return text;
}

}  // namespace

class ResultLogTest : public QObject {
  Q_OBJECT

 private slots:
  void LineBreaksCountAsCrLf();
  void CaretPositionsCountCrLfAsTwo();
  void AppendLandsAtEndWhereverTheCaretWas();
  void TrimOnlyAboveTheLimit_data();
  void TrimOnlyAboveTheLimit();
  void TrimCountsLineBreaksAsTwo();
  void TrimSplittingALineBreakLeavesNoEmptyLine();
};

void ResultLogTest::LineBreaksCountAsCrLf() {
  QPlainTextEdit box;
  AppendLog(box, QStringLiteral("\r\nhead成功\r\n"));
  AppendLog(box, QStringLiteral("x"));
  QCOMPARE(LogText(box), QStringLiteral("\r\nhead成功\r\nx"));
  QCOMPARE(LogText(box).size(), 11);
  QCOMPARE(PlainTextLogBox(box).Length(), 11u);
  QVERIFY(PlainTextLogBox(box).Text() == u"\r\nhead成功\r\nx");
  // A line break the operator types reads back as CR LF too.
  QTest::keyClick(&box, Qt::Key_Return);
  QCOMPARE(LogText(box), QStringLiteral("\r\nhead成功\r\nx\r\n"));
}

void ResultLogTest::CaretPositionsCountCrLfAsTwo() {
  QPlainTextEdit box;
  SetLogText(box, QStringLiteral("ab\r\ncd\r\nef"));
  SetLogSelStart(box, 6);  // between "cd" and its CR LF
  ReplaceLogSelection(box, QStringLiteral("X"));
  QCOMPARE(LogText(box), QStringLiteral("ab\r\ncdX\r\nef"));
  SetLogSelStart(box, 4);  // start of the second line
  ReplaceLogSelection(box, QStringLiteral("Y"));
  QCOMPARE(LogText(box), QStringLiteral("ab\r\nYcdX\r\nef"));
}

void ResultLogTest::AppendLandsAtEndWhereverTheCaretWas() {
  QPlainTextEdit box;
  SetLogText(box, QStringLiteral("first\r\nsecond"));
  // The operator selected part of the first line and left the caret there.
  QTextCursor cursor = box.textCursor();
  cursor.setPosition(1);
  cursor.setPosition(4, QTextCursor::KeepAnchor);
  box.setTextCursor(cursor);

  AppendLog(box, QStringLiteral("成功\r\n"));

  QCOMPARE(LogText(box), QStringLiteral("first\r\nsecond成功\r\n"));
  QVERIFY(!box.textCursor().hasSelection());
  QVERIFY(box.textCursor().atEnd());
}

void ResultLogTest::TrimOnlyAboveTheLimit_data() {
  QTest::addColumn<int>("before");
  QTest::addColumn<QString>("expected");
  const QString added = QStringLiteral("新");
  QTest::newRow("short") << 10 << Numbered(10) + added;
  QTest::newRow("at 9000") << 9000 << Numbered(9000) + added;
  // The 1000th character (index 999) becomes the first.
  QTest::newRow("at 9001") << 9001 << Numbered(9001).mid(999) + added;
  QTest::newRow("far above") << 12000 << Numbered(12000).mid(999) + added;
}

void ResultLogTest::TrimOnlyAboveTheLimit() {
  QFETCH(int, before);
  QFETCH(QString, expected);
  QPlainTextEdit box;
  SetLogText(box, Numbered(before));
  AppendLog(box, QStringLiteral("新"));
  QCOMPARE(LogText(box), expected);
  QVERIFY(box.textCursor().atEnd());
}

void ResultLogTest::TrimCountsLineBreaksAsTwo() {
  // 1000 lines of 7 letters and CR LF make exactly 9000 characters.
  QPlainTextEdit box;
  SetLogText(box, Lines(1000, QStringLiteral("abcdefg")));
  AppendLog(box, QStringLiteral("x"));
  QCOMPARE(LogText(box).size(), 9001);
  // Now above the limit: 999 characters are 111 whole lines.
  AppendLog(box, QStringLiteral("y"));
  QCOMPARE(LogText(box), Lines(889, QStringLiteral("abcdefg")) + QStringLiteral("xy"));
}

void ResultLogTest::TrimSplittingALineBreakLeavesNoEmptyLine() {
  // The cut falls between the CR and the LF ending the first line.
  QPlainTextEdit box;
  const QString rest = Numbered(9001 - 1000);
  SetLogText(box, QString(998, u'a') + QStringLiteral("\r\n") + rest);
  QCOMPARE(LogText(box).size(), 9001);
  AppendLog(box, QStringLiteral("z"));
  QCOMPARE(LogText(box), rest + QStringLiteral("z"));
}

QTEST_MAIN(ResultLogTest)
#include "result_log_test.moc"
