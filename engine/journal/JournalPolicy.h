#pragma once
// Where a change's journal goes, how it is named and found, and that it is no file of the
// user's: the one place that knows a journal's name. The stale sweep (Recovery.h) finds the
// journals of a folder through it; the folder lists (the window's, murvelctl's walk) leave out
// what it names a journal.
#include <string>
#include <vector>

// Whether `leaf`, a name in a folder, is a journal's (the leaf of a path is taken as well).
bool IsJournalName(const std::string& leafOrPath);
// How a journal's name looks, for the user's eyes: ".murvel-journal-*".
std::string JournalNamePattern();
// The template of a new journal's name in `folder`, for mkostemp ("...XXXXXX"): a name that says
// the journal was never flushed, which it keeps until its first flush; no marker names it.
std::string NewJournalTemplate(const std::string& folder);
// The name a journal made as `unflushed` takes at its first flush, the one markers give.
std::string FlushedJournalName(const std::string& unflushed);
// Whether the journal's name says it was never flushed (a change cut before that left it).
bool IsUnflushedJournalName(const std::string& leafOrPath);
// The journals among the names of `folder`, as paths; empty when it cannot be listed.
std::vector<std::string> JournalsIn(const std::string& folder);

// The folder for the journal of files of `folder`: that folder, unless the journal's path there
// would be too long for a marker to keep (or not absolute); then the state folder. Empty when
// neither will do.
std::string JournalFolder(const std::string& folder);
// Where a change keeps its journal when the folder of its files takes no new file (or its name
// there would be too long to keep in a marker): the user's state folder, $XDG_STATE_HOME/murvel or
// ~/.local/state/murvel, made (0700) when missing. Empty when there is none, or when it belongs to
// another user; one that others may read or write is made the user's alone first.
std::string StateFolder();
