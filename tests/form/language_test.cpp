// The windows in both languages: the translation file whole, the English window, the remembered
// choice, and every text shown whole (no caption, item or label cut) in Chinese and English.
// With ZOTPX_SHOTS set to a folder, the fit test also saves every page there as NAME-zh.png
// and NAME-en.png, to look at.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "app/form.h"
#include "app/window_language.h"
#include "designer/designer_window.h"
#include "support/scripted_dialogs.h"

namespace {

using zotpx::Language;

// The process speaks `language` while it lives: the core's texts and the windows' own.
class SpokenLanguage {
 public:
  explicit SpokenLanguage(Language language) {
    if (language == Language::English) {
      EXPECT_TRUE(texts_.load(QStringLiteral("zotpx_en"), QStringLiteral(ZOTPX_QM_DIR)));
      QCoreApplication::installTranslator(&texts_);
    }
    zotpx::SetLanguage(language);
  }
  ~SpokenLanguage() {
    QCoreApplication::removeTranslator(&texts_);
    zotpx::SetLanguage(Language::Chinese);
  }

 private:
  QTranslator texts_;
};

QStringList Placeholders(const QString& text) {
  QStringList found;
  for (const QRegularExpressionMatch& match :
       QRegularExpression(QStringLiteral("%\\d")).globalMatch(text))
    found << match.captured();
  found.sort();
  return found;
}

bool HasAccelerator(const QString& text) {
  return text.contains(QRegularExpression(QStringLiteral("&[^&]")));
}

TEST(TranslationFile, EveryMessageHasItsEnglishWithTheSamePlaceholders) {
  QFile file(QStringLiteral(ZOTPX_TS_FILE));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  int messages = 0;
  QString context, source;
  while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
    if (!xml.isStartElement()) continue;
    if (xml.name() == QLatin1String("name")) context = xml.readElementText();
    if (xml.name() == QLatin1String("source")) source = xml.readElementText();
    if (xml.name() != QLatin1String("translation")) continue;
    ++messages;
    SCOPED_TRACE((context + QStringLiteral(": ") + source).toStdString());
    EXPECT_TRUE(xml.attributes().value(QLatin1String("type")).isEmpty())
        << "marked " << xml.attributes().value(QLatin1String("type")).toString().toStdString();
    const QString english = xml.readElementText();
    EXPECT_FALSE(english.trimmed().isEmpty());
    EXPECT_EQ(Placeholders(english), Placeholders(source));
    EXPECT_EQ(HasAccelerator(english), HasAccelerator(source));
    // A group caption's spaces keep its frame off the text, in either language.
    // (An English status after a title starts with its own space: " failed: …".)
    if (source.startsWith(QLatin1Char(' '))) {
      EXPECT_TRUE(english.startsWith(QLatin1Char(' ')));
    }
    if (source.endsWith(QLatin1Char(' '))) {
      EXPECT_TRUE(english.endsWith(QLatin1Char(' ')));
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(messages, 150);
}

TEST(EnglishWindow, ShowsItsTitleTabsAndStatusInEnglish) {
  const SpokenLanguage english(Language::English);
  TForm1 form;
  auto dialogs = std::make_unique<ScriptedDialogs>();
  form.SetDialogs(std::move(dialogs));
  EXPECT_EQ(form.windowTitle(), "Manager for ZOT-Px on-screen-display chips and modules");
  const auto* tabs = form.Ctl<QTabWidget>("PageOsd");
  EXPECT_EQ(tabs->tabText(0), "Date and time");
  EXPECT_EQ(form.Ctl<QGroupBox>("GroupControl")->title(), " System control ");
  form.MenuExportStaticClick();  // nothing acknowledged yet
  EXPECT_EQ(form.StatusText(),
            "Export as static commands file failed: no overlay command acknowledged by the "
            "device in this session");
}

TEST(LanguageChoice, TheLogMenuAndTheDesignerRememberItForTheNextStart) {
  qunsetenv("ZOTPX_LANG");  // a run's own choice would outweigh the remembered one
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  EXPECT_EQ(zotpx::RememberedLanguage(), std::nullopt);

  TForm1 form;
  auto owned = std::make_unique<ScriptedDialogs>();
  ScriptedDialogs& dialogs = *owned;
  form.SetDialogs(std::move(owned));
  auto* log = form.findChild<QPlainTextEdit*>(QStringLiteral("MemoProtocol"));
  std::unique_ptr<QMenu> menu(CreateLogMenu(form, log, QPoint(1, 1)));
  menu->findChild<QAction*>(QStringLiteral("ActionLanguageEn"))->trigger();
  EXPECT_EQ(zotpx::RememberedLanguage(), Language::English);
  EXPECT_EQ(zotpx::StartLanguage(QString()), Language::English);
  EXPECT_EQ(zotpx::StartLanguage(QStringLiteral("zh")), Language::Chinese);  // --lang first
  EXPECT_EQ(dialogs.Texts(ScriptedDialogs::Kind::Message),
            QStringList{"所选的语言将在下次启动时生效。"});

  DesignerWindow designer;
  designer.SetDialogs(std::make_unique<ScriptedDialogs>());
  const auto* chinese = designer.findChild<QAction*>(QStringLiteral("ActionLanguageZh"));
  EXPECT_FALSE(chinese->isChecked());  // the next start's, as remembered
  designer.findChild<QAction*>(QStringLiteral("ActionLanguageZh"))->trigger();
  EXPECT_EQ(zotpx::RememberedLanguage(), Language::Chinese);
}

// ---- every text whole ----

// A tab's own width, as its bar would give it room.
struct TabBarRoom : QTabBar {
  using QTabBar::tabSizeHint;
};
// A column's own width, as its tree would give it room.
struct TreeRoom : QTreeWidget {
  using QTreeWidget::sizeHintForColumn;
};

// The ink's width: a full-width colon's empty half may go past the edge unseen.
int TextWidth(const QWidget& widget, QString text) {
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  int widest = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    widest = std::max(widest, widget.fontMetrics().tightBoundingRect(line).right() + 1);
  return widest;
}

// What `widget` shows that does not fit its place: "needs N, has M" per text.
std::vector<std::string> Cut(QWidget& widget) {
  std::vector<std::string> cut;
  const auto check = [&](const QString& text, int needs, int has) {
    if (needs > has)
      cut.push_back("\"" + text.toStdString() + "\" needs " + std::to_string(needs) + ", has " +
                    std::to_string(has));
  };
  if (auto* label = qobject_cast<QLabel*>(&widget); label && !label->text().isEmpty()) {
    if (label->wordWrap())
      check(label->text(), label->heightForWidth(label->contentsRect().width()),
            label->contentsRect().height());
    else
      check(label->text(), TextWidth(*label, label->text()), label->contentsRect().width());
  } else if (auto* button = qobject_cast<QPushButton*>(&widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.rect = button->rect();
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    check(button->text(), TextWidth(*button, button->text()), room.width());
  } else if (qobject_cast<QCheckBox*>(&widget) || qobject_cast<QRadioButton*>(&widget)) {
    auto* box = static_cast<QAbstractButton*>(&widget);
    check(box->text(), box->sizeHint().width(), box->width());
  } else if (auto* group = qobject_cast<QGroupBox*>(&widget); group && !group->title().isEmpty()) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.rect = group->rect();
    option.text = group->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect frame =
        group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame);
    const QRect label =
        group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel);
    check(group->title(), label.left() + TextWidth(*group, group->title()), frame.right());
  } else if (auto* bar = qobject_cast<QTabBar*>(&widget)) {
    for (int i = 0; i < bar->count(); ++i) {
      check(bar->tabText(i), (bar->*&TabBarRoom::tabSizeHint)(i).width(), bar->tabRect(i).width());
      check(bar->tabText(i), bar->tabRect(i).right(), bar->width() - 1);
    }
  } else if (auto* combo = qobject_cast<QComboBox*>(&widget)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.rect = combo->rect();
    const QRect room = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, combo);
    for (int i = 0; i < combo->count(); ++i)
      check(combo->itemText(i), TextWidth(*combo, combo->itemText(i)), room.width());
  } else if (auto* tree = qobject_cast<QTreeWidget*>(&widget)) {
    for (int column = 0; column + 1 < tree->columnCount(); ++column)  // the last one stretches
      check(tree->headerItem()->text(column), (tree->*&TreeRoom::sizeHintForColumn)(column),
            tree->columnWidth(column));
  } else if (auto* header = qobject_cast<QHeaderView*>(&widget)) {
    for (int i = 0; i < header->count(); ++i) {
      const QString text = header->model()->headerData(i, header->orientation()).toString();
      if (!header->isSectionHidden(i) && header->orientation() == Qt::Horizontal)
        check(text, TextWidth(*header, text), header->sectionSize(i));
    }
  } else if (qobject_cast<QMenuBar*>(&widget) || qobject_cast<QToolBar*>(&widget)) {
    check(widget.objectName(), widget.sizeHint().width(), widget.width());
  }
  return cut;
}

std::string Where(const QWidget& widget) {
  std::string path;
  for (const QWidget* w = &widget; w; w = w->parentWidget())
    if (!w->objectName().isEmpty())
      return w->objectName().toStdString() + path;
    else
      path = path.empty() ? std::string("/") + w->metaObject()->className() : path;
  return path;
}

// Makes `page` the one shown by each tab widget above it.
void ShowPage(QWidget* page) {
  for (QWidget* w = page; w && w->parentWidget(); w = w->parentWidget())
    if (auto* tabs = qobject_cast<QTabWidget*>(w->parentWidget()->parentWidget()))
      if (tabs->indexOf(w) >= 0) tabs->setCurrentWidget(w);
}

void Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// Every page of every tab widget in `window`, then `saw` for what shows.
void EveryPage(QWidget& window, const std::function<void(const QString& page)>& saw) {
  saw(QStringLiteral("start"));
  for (QTabWidget* tabs : window.findChildren<QTabWidget*>()) {
    for (int i = 0; i < tabs->count(); ++i) {
      QWidget* page = tabs->widget(i);
      if (!page->findChildren<QTabWidget*>().isEmpty()) continue;  // its inner pages serve
      ShowPage(page);
      Settle();
      saw(page->objectName().isEmpty() ? tabs->objectName() + QString::number(i)
                                       : page->objectName());
    }
  }
}

std::set<std::string> CutTexts(QWidget& window, Language language, const QString& name) {
  const QByteArray shots = qgetenv("ZOTPX_SHOTS");
  const char* code = language == Language::English ? "en" : "zh";
  std::set<std::string> cut;
  EveryPage(window, [&](const QString& page) {
    for (QWidget* widget : window.findChildren<QWidget*>())
      if (widget->isVisibleTo(&window))
        for (const std::string& text : Cut(*widget)) cut.insert(Where(*widget) + ": " + text);
    if (!shots.isEmpty())
      window.grab().save(QDir(QString::fromLocal8Bit(shots))
                             .filePath(QStringLiteral("%1-%2-%3.png").arg(name, page, code)));
  });
  return cut;
}

class EveryTextWhole : public ::testing::TestWithParam<Language> {};

TEST_P(EveryTextWhole, InTheMainWindow) {
  const SpokenLanguage spoken(GetParam());
  TForm1 form;
  form.show();
  Settle();
  EXPECT_EQ(CutTexts(form, GetParam(), QStringLiteral("manager")), std::set<std::string>{});
  // The font test's group, shown by a double-click on the corner square.
  form.Ctl<QWidget>("GroupTest")->show();
  Settle();
  EXPECT_EQ(CutTexts(form, GetParam(), QStringLiteral("fonttest")), std::set<std::string>{});
}

TEST_P(EveryTextWhole, InTheDesigner) {
  QTemporaryDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
  const SpokenLanguage spoken(GetParam());
  DesignerWindow window;
  window.show();
  Settle();
  EXPECT_EQ(CutTexts(window, GetParam(), QStringLiteral("designer")), std::set<std::string>{});
  // Each kind of object's properties.
  ASSERT_TRUE(window.OpenPath(QStringLiteral(ZOTPX_EXAMPLES_DIR "/zotpx-pa.toml")));
  auto* objects = window.findChild<QTreeWidget*>(QStringLiteral("ObjectList"));
  ASSERT_NE(objects, nullptr);
  for (int i = 0; i < objects->topLevelItemCount(); ++i) {
    objects->setCurrentItem(objects->topLevelItem(i));
    Settle();
    EXPECT_EQ(CutTexts(window, GetParam(), QStringLiteral("designer-object%1").arg(i)),
              std::set<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryTextWhole,
                         ::testing::Values(Language::Chinese, Language::English),
                         [](const auto& info) {
                           return info.param == Language::English ? "English" : "Chinese";
                         });

}  // namespace
