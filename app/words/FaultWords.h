#pragma once
// The engine's faults in words: the one table from each fault code to its text, which the
// window's lines and notices and murvelctl's lines share, since they say a fault alike. A text
// names its data by field: {path}, {name}, {err} (the errno's text), {a}, {b}, {1} and {2} (the
// fault's causes, in words in turn), {flaw} (a damaged record's broken rule). A translation may
// move them.
#include <string>

#include "engine/journal/Fault.h"

// One row of the table: a fault code's text, and the text for a fault of that code that names
// no path (nullptr: the same).
struct FaultWordsRow {
  FaultCode code;
  const char* text;
  const char* withoutPath = nullptr;
};
// The table, a row for every code in the codes' order (row i says code i).
const FaultWordsRow* FaultWordsTable(size_t* rows);

// Turns a text of the table into the user's language; none keeps the texts as they are.
using Translator = std::string (*)(const char* text);

// `fault` in words, every text of the table through `tr` when one is given. A path or name from
// a file is shown with its control bytes as '?'.
std::string FaultText(const Fault& fault, Translator tr = nullptr);

// A text from a file (a name, a path) with control bytes shown as '?', so that it cannot drive
// the terminal it is printed on.
std::string Printable(const std::string& text);
