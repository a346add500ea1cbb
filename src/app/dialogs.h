// File dialogs and message boxes of the window. Tests put a scripted answerer in its place.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

class Dialogs {
 public:
  struct FileRequest {
    QString title;
    QString directory;
    QString file_name;
    QString filter;        // "Text Files(*.txt)|*.txt|..." as the form gives it
    int filter_index = 1;  // 1-based, as the form gives it
  };
  virtual ~Dialogs() = default;
  // The chosen path, or nothing when cancelled. The file must exist.
  virtual std::optional<QString> OpenFile(const FileRequest& request) = 0;
  // The chosen path, or nothing when cancelled. No extension is added.
  virtual std::optional<QString> SaveFile(const FileRequest& request) = 0;
  // A modal box with an OK button.
  virtual void Message(const QString& title, const QString& text) = 0;
  // A modal box with OK and Cancel: true for OK.
  virtual bool Question(const QString& title, const QString& text) = 0;
  // A modal box with these buttons, the first the default and the last the escape: the index
  // of the one pressed.
  virtual int Choose(const QString& title, const QString& text, const QStringList& buttons) = 0;
  // The application's standard error display, for an error that escaped a handler.
  virtual void Error(const QString& text) = 0;
};

// The real Qt dialogs, parented to `owner`.
class QtDialogs : public Dialogs {
 public:
  explicit QtDialogs(QWidget* owner) : owner_(owner) {}
  std::optional<QString> OpenFile(const FileRequest& request) override;
  std::optional<QString> SaveFile(const FileRequest& request) override;
  void Message(const QString& title, const QString& text) override;
  bool Question(const QString& title, const QString& text) override;
  int Choose(const QString& title, const QString& text, const QStringList& buttons) override;
  void Error(const QString& text) override;

 private:
  QWidget* owner_;
};

// "A(*.a)|*.a|B(*.b)|*.b" -> "A(*.a);;B(*.b)" and the name of the 1-based filter `index`.
QString QtFilterList(const QString& windows_filter);
QString QtFilterAt(const QString& windows_filter, int index);

inline const QString kOpenDialogFilter = QStringLiteral(
    "Text Files(*.txt)|*.txt|Font Files(*.font)|*.font|Bitmap Files(*.bmp)|*.bmp|Cross "
    "Files(*.bin)|*.bin|All Files(*.*)|*.*");
inline const QString kSaveDialogFilter = QStringLiteral("Cross Files(*.bin)|*.bin");
