#include "app/cp936_edit.h"

#include <QLineEdit>
#include <QValidator>
#include <algorithm>

#include "text/cp936.h"

namespace {

// Cuts what an edit brought in, not what was there; the cursor ends after what was kept.
class Cp936LengthValidator : public QValidator {
 public:
  Cp936LengthValidator(QLineEdit* edit, std::size_t max_bytes)
      : QValidator(edit), max_bytes_(max_bytes), accepted_(edit->text()) {
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { accepted_ = text; });
  }

  State validate(QString& input, int& pos) const override {
    if (Bytes(input) <= max_bytes_) return Acceptable;
    // What was brought in ends at the cursor and begins where the text stops agreeing with
    // the last accepted one; setText puts the cursor at the end, so its text is cut at the end.
    const qsizetype end = std::clamp<qsizetype>(pos, 0, input.size());
    // It is at least as long as the text grew.
    const qsizetype grown = std::max<qsizetype>(input.size() - accepted_.size(), 0);
    const qsizetype shorter = std::min(std::max<qsizetype>(end - grown, 0), accepted_.size());
    qsizetype head = 0;
    while (head < shorter && input[head] == accepted_[head]) ++head;
    if (head > 0 && input[head - 1].isHighSurrogate()) --head;
    const QString before = input.left(head);
    const QString after = input.mid(end);
    const std::size_t kept = Bytes(before) + Bytes(after);
    if (kept > max_bytes_) {
      // Over the limit before this edit (set before the limit was): cut the end.
      input = Cut(input, max_bytes_);
      pos = static_cast<int>(input.size());
      return Acceptable;
    }
    const QString inserted = Cut(input.mid(head, end - head), max_bytes_ - kept);
    input = before + inserted + after;
    pos = static_cast<int>(before.size() + inserted.size());
    return Acceptable;
  }

 private:
  static std::size_t Bytes(const QString& text) {
    return zotpx::Cp936ByteCount(text.toStdString());
  }
  static QString Cut(const QString& text, std::size_t max_bytes) {
    return QString::fromStdString(zotpx::CutToCp936Bytes(text.toStdString(), max_bytes));
  }

  std::size_t max_bytes_;
  QString accepted_;
};

}  // namespace

void LimitToCp936Bytes(QLineEdit* edit, std::size_t max_bytes) {
  edit->setValidator(new Cp936LengthValidator(edit, max_bytes));
}
