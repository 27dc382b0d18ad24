#pragma once
// murvelctl's own texts (its help, its usage errors and warnings, the engine's reasons in its
// result lines) in the user's language, from the catalog of platform/TextCatalog.h. The result
// lines' states and files ("STATE: FILE") stay as they are: scripts read them.
#include <initializer_list>
#include <string>

// Loads the catalog of the user's language, once at start.
void LoadCtlTexts();
// The text in the user's language, or as it is.
const char* Tr(const char* text);
// `pattern` (translated) with each "%s" replaced by the next of `args`.
std::string TrFill(const char* pattern, std::initializer_list<std::string> args);
