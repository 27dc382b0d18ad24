#pragma once
// `murvel --remove-desktop-files`: takes back everything starts of the program wrote into the
// user's folders (RemoveUserDesktopFiles), without a window, and says what went.

// True when the arguments ask for it: the option alone.
bool AsksToRemoveDesktopFiles(int argc, char** argv);

// Removes the files, one line a file on standard output; failures on standard error. The exit
// status: 0 when all went (or there was nothing), 1 when something could not be removed.
int RemoveDesktopFilesCommand();
