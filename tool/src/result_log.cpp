#include "result_log.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The document turns CR LF, a lone CR or a lone LF into one block break; the
// log text counts each break as CR LF, so a position maps block by block.
int DocumentPosition(const QTextDocument& document, qsizetype position) {
  qsizetype remaining = position;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    const qsizetype length = block.length() - 1;  // without its break
    if (remaining <= length || !block.next().isValid()) {
      return block.position() + static_cast<int>(qMin(remaining, length));
    }
    remaining -= length + 2;
    // A position between CR and LF falls on the start of the next line.
    if (remaining < 0) return block.next().position();
  }
  return 0;
}

}  // namespace

QString LogText(const QPlainTextEdit& box) {
  QString text = box.toPlainText();
  text.replace(u'\n', kCrLf);
  return text;
}

void SetLogText(QPlainTextEdit& box, const QString& text) {
  // A cut between CR and LF leaves a lone LF that an edit control does not
  // show as a line break; drop it rather than show an extra empty line.
  box.setPlainText(text.startsWith(u'\n') ? text.mid(1) : text);
}

void SetLogSelStart(QPlainTextEdit& box, qsizetype position) {
  QTextCursor cursor = box.textCursor();
  cursor.setPosition(DocumentPosition(*box.document(), position));
  box.setTextCursor(cursor);
}

void ReplaceLogSelection(QPlainTextEdit& box, const QString& text) {
  QTextCursor cursor = box.textCursor();
  cursor.insertText(text);
  box.setTextCursor(cursor);
}

void TrimLog(QPlainTextEdit& box) {
  qsizetype length = LogText(box).size();
  if (length > kLogTrimAbove) {
    SetLogText(box, LogText(box).mid(kLogTrimCount));
    length -= kLogTrimCount;
  }
  SetLogSelStart(box, length);
}

void AppendLog(QPlainTextEdit& box, const QString& text) {
  TrimLog(box);
  ReplaceLogSelection(box, text);
  SetLogSelStart(box, LogText(box).size());
  box.ensureCursorVisible();
}
