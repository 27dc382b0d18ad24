#pragma once
// `murvel --seal FILE`: the window starts with sealing chosen for this run (the file managers'
// "Seal with Murvel"), the kept choice left as it is. A file named "--seal" is given as
// "./--seal".

// Takes every "--seal" out of the arguments (argc and argv shortened in place); true when there
// was one.
bool TakeSealOption(int* argc, char** argv);
