#pragma once
// The diagnostic lines of the window, made from the engine's result values in this one place.
// The window prints them on standard output as they come; murvelctl -v prints them on standard
// error. No line carries a password or a record's bytes.
#include <string>

#include "app/words/FaultWords.h"
#include "engine/Results.h"

// What an inspection says: a status that could not be read, a volume without attributes, an
// interrupted change found and settled, the record found or not, why an entry is refused.
std::string InspectionLines(const Inspection& inspection);
// How often the window beeps for an inspection.
int InspectionBeeps(const Inspection& inspection);

// What the work on a file says, every line ended.
std::string WorkLines(const WorkResult& result);

// What was found and done of an interrupted change on `file`, in words ("Interrupted coding of
// 'F' found: completed"), and the diagnostic line made of it (no line break at the end).
std::string RecoveryText(const std::string& file, const RecoveryReport& report);
std::string RecoveryLine(const std::string& file, const RecoveryReport& report);

// The diagnostic line (no line break) for a file whose bytes and record disagree; empty when
// they agree.
std::string MismatchLine(const Inspection& ins);
