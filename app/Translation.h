#pragma once
// The window's own texts (its notices) in the user's language, through Qt's translation
// machinery: a translator that reads the catalog of platform/TextCatalog.h is installed at
// start. The texts the window prints on standard output and its quoted texts are never
// translated.
#include <initializer_list>
#include <string>

// Installs the translator of the user's language, when a catalog for it exists; one installed
// before goes.
void InstallTextCatalog();
// The text in the user's language, or as it is.
std::string TrText(const char* text);
// `pattern` (translated) with each "%s" replaced by the next of `args`.
std::string TrTextFill(const char* pattern, std::initializer_list<std::string> args);
