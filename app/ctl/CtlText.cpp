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
  const std::string text = Tr(pattern);
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's' && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}
