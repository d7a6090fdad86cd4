#include "Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace vokari::gui {
namespace {

// What Qt's Chinese catalogues leave in English.
class OwnWords final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                    int /*n*/) const override {
    struct Word {
      const char* context;
      const char* source;
      const char* chinese;
    };
    static const Word words[] = {{"FileDialog", "File name", "文件名"},
                                 {"FileDialog", "Filter", "文件类型"}};
    for (const Word& w : words) {
      if (std::strcmp(w.context, context) == 0 && std::strcmp(w.source, source) == 0) {
        return QString::fromUtf8(w.chinese);
      }
    }
    return {};
  }
};

}  // namespace

bool installChineseTexts(QCoreApplication& app) {
  static int found = -1;
  if (found >= 0) return found == 1;
  // Dates and sizes Qt writes (the file dialog's) in the Chinese way, too.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  // The last installed is asked first: Qt's catalogues, then our words for what they lack.
  app.installTranslator(new OwnWords(&app));
  found = 1;
  const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const char* catalogue : {"qtbase_zh_CN", "qtdeclarative_zh_CN"}) {
    auto* translator = new QTranslator(&app);
    if (translator->load(QString::fromLatin1(catalogue), dir)) {
      app.installTranslator(translator);
    } else {
      delete translator;
      found = 0;
    }
  }
  return found == 1;
}

}  // namespace vokari::gui
