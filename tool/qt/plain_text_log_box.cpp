#include "plain_text_log_box.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

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
  text.replace(u'\n', QStringLiteral("\r\n"));
  return text;
}

std::size_t PlainTextLogBox::Length() const {
  // Each block break but the last's counts as two.
  const QTextDocument& document = *box_.document();
  return static_cast<std::size_t>(document.characterCount() - 1 + document.blockCount() - 1);
}

std::u16string PlainTextLogBox::Text() const { return LogText(box_).toStdU16String(); }

void PlainTextLogBox::SetText(std::u16string_view text) {
  // A cut between CR and LF leaves a lone LF that an edit control does not
  // show as a line break; drop it rather than show an extra empty line.
  if (!text.empty() && text.front() == u'\n') text.remove_prefix(1);
  box_.setPlainText(ToQString(text));
}

void PlainTextLogBox::SetSelStart(std::size_t position) {
  QTextCursor cursor = box_.textCursor();
  cursor.setPosition(DocumentPosition(*box_.document(), static_cast<qsizetype>(position)));
  box_.setTextCursor(cursor);
  box_.ensureCursorVisible();
}

void PlainTextLogBox::ReplaceSelection(std::u16string_view text) {
  QTextCursor cursor = box_.textCursor();
  cursor.insertText(ToQString(text));
  box_.setTextCursor(cursor);
}
