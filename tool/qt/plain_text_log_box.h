#ifndef SETVORNIP_QT_PLAIN_TEXT_LOG_BOX_H
#define SETVORNIP_QT_PLAIN_TEXT_LOG_BOX_H

#include <QString>

#include "result_log.h"

class QPlainTextEdit;

// The log box as the log rules see it (an edit control's text, every line
// break as CR LF, positions in UTF-16 units with CR LF as two) over a
// QPlainTextEdit, whose document keeps each line break as one block break.
class PlainTextLogBox final : public setvornip::LogBox {
 public:
  explicit PlainTextLogBox(QPlainTextEdit& box) : box_(box) {}

  std::size_t Length() const override;
  std::u16string Text() const override;
  void SetText(std::u16string_view text) override;
  void SetSelStart(std::size_t position) override;
  void ReplaceSelection(std::u16string_view text) override;

 private:
  QPlainTextEdit& box_;
};

// The box's text with every line break as CR LF.
QString LogText(const QPlainTextEdit& box);

#endif  // SETVORNIP_QT_PLAIN_TEXT_LOG_BOX_H
