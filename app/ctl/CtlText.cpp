#include "app/ctl/CtlText.h"

#include "platform/TextCatalog.h"

namespace {

plat::TextCatalog& Catalog() {
  static plat::TextCatalog catalog;
  return catalog;
}

}  // namespace

void LoadCtlTexts() {
  (void)plat::LoadWantedCatalog(MURVEL_LOCALE_DIR, &Catalog());
}

const char* Tr(const char* text) {
  return Catalog().Find(text);
}

std::string TrFill(const char* pattern, std::initializer_list<std::string> args) {
  return plat::FillPattern(Tr(pattern), args);
}
