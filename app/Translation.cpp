#include "app/Translation.h"

#include <QCoreApplication>
#include <QTranslator>
#include <memory>

#include "platform/TextCatalog.h"

namespace {

constexpr const char* kContext = "Murvel";

class CatalogTranslator : public QTranslator {
 public:
  bool Load() { return plat::LoadWantedCatalog(MURVEL_LOCALE_DIR, &catalog_); }
  bool isEmpty() const override { return catalog_.Empty(); }
  QString translate(const char* context, const char* source, const char* = nullptr,
                    int = -1) const override {
    if (!source || std::string(context ? context : "") != kContext) return QString();
    const char* found = catalog_.Find(source);
    return found == source ? QString() : QString::fromUtf8(found);
  }

 private:
  plat::TextCatalog catalog_;
};

std::unique_ptr<CatalogTranslator>& Installed() {
  static std::unique_ptr<CatalogTranslator> translator;
  return translator;
}

}  // namespace

void InstallTextCatalog() {
  if (Installed()) QCoreApplication::removeTranslator(Installed().get());
  Installed().reset();
  auto translator = std::make_unique<CatalogTranslator>();
  if (!translator->Load()) return;
  QCoreApplication::installTranslator(translator.get());
  Installed() = std::move(translator);
}

std::string TrText(const char* text) {
  return QCoreApplication::translate(kContext, text).toStdString();
}

std::string TrTextFill(const char* pattern, std::initializer_list<std::string> args) {
  return plat::FillPattern(TrText(pattern), args);
}
