// Dialogs for form tests: answers come from queues, every request is recorded.
//
//   dialogs.open_answers.push_back(QStringLiteral("/tmp/a.bmp"));  // next open dialog
//   dialogs.open_answers.push_back(std::nullopt);                 // the one after: cancelled
//   dialogs.question_answers.push_back(true);                     // next question: OK
//   ...
//   EXPECT_EQ(dialogs.Texts(ScriptedDialogs::Kind::Message), QStringList{"..."});
//
// With its queue empty a file dialog is cancelled and a question answered Cancel.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <vector>

#include "app/dialogs.h"

class ScriptedDialogs : public Dialogs {
 public:
  enum class Kind { Open, Save, Message, Question, Choose, Error };
  struct Request {
    Kind kind;
    QString title;     // the box's or the file dialog's title
    QString text;      // the box's text (empty for file dialogs)
    FileRequest file;  // what a file dialog was asked (Open, Save)
  };

  std::deque<std::optional<QString>> open_answers;
  std::deque<std::optional<QString>> save_answers;
  std::deque<bool> question_answers;
  std::deque<int> choose_answers;  // empty: the last button (the escape)
  std::vector<Request> requests;

  std::optional<QString> OpenFile(const FileRequest& request) override {
    requests.push_back({Kind::Open, request.title, QString(), request});
    return Next(open_answers, std::optional<QString>());
  }
  std::optional<QString> SaveFile(const FileRequest& request) override {
    requests.push_back({Kind::Save, request.title, QString(), request});
    return Next(save_answers, std::optional<QString>());
  }
  void Message(const QString& title, const QString& text) override {
    requests.push_back({Kind::Message, title, text, {}});
  }
  bool Question(const QString& title, const QString& text) override {
    requests.push_back({Kind::Question, title, text, {}});
    return Next(question_answers, false);
  }
  int Choose(const QString& title, const QString& text, const QStringList& buttons) override {
    requests.push_back({Kind::Choose, title, text, {}});
    return Next(choose_answers, static_cast<int>(buttons.size()) - 1);
  }
  void Error(const QString& text) override {
    requests.push_back({Kind::Error, QString(), text, {}});
  }

  // The texts of every box of one kind, in order (titles for file dialogs).
  QStringList Texts(Kind kind) const {
    QStringList texts;
    for (const Request& r : requests)
      if (r.kind == kind)
        texts << (r.kind == Kind::Open || r.kind == Kind::Save ? r.title : r.text);
    return texts;
  }
  std::size_t Count(Kind kind) const { return static_cast<std::size_t>(Texts(kind).size()); }

 private:
  template <typename T>
  static T Next(std::deque<T>& queue, T when_empty) {
    if (!queue.empty()) {
      when_empty = std::move(queue.front());
      queue.pop_front();
    }
    return when_empty;
  }
};
