#ifndef SETVORNIP_RESULT_LOG_H
#define SETVORNIP_RESULT_LOG_H

#include <QString>

class QPlainTextEdit;

// The log box seen as a Windows edit control: its text has every line break
// as CR LF, and positions count in UTF-16 units with CR LF as two.
QString LogText(const QPlainTextEdit& box);
void SetLogText(QPlainTextEdit& box, const QString& text);
// Puts the caret at a position of LogText and empties the selection.
void SetLogSelStart(QPlainTextEdit& box, qsizetype position);
void ReplaceLogSelection(QPlainTextEdit& box, const QString& text);

// Above this length the log loses its start before the next append.
inline constexpr qsizetype kLogTrimAbove = 9000;
inline constexpr qsizetype kLogTrimCount = 999;

// Drops the first 999 characters of a log longer than 9000, then puts the
// caret at the end.
void TrimLog(QPlainTextEdit& box);
// Trims, then adds the text at the end of the log whatever the operator did
// with the caret, and leaves the caret behind it.
void AppendLog(QPlainTextEdit& box, const QString& text);

#endif  // SETVORNIP_RESULT_LOG_H
