#pragma once
// Runs the murvelctl program for the end-to-end tests: with standard input from a string, or on
// a pseudo-terminal that answers its prompts, and collects what it wrote and how it ended.
#include <string>
#include <vector>

struct CtlResult {
  int exitCode = -1;  // -1 when it did not end normally
  std::string out;    // standard output
  std::string err;    // standard error (for a terminal run: everything the terminal showed)
};

// Runs murvelctl with `args`, `input` on its standard input, in the folder `cwd`; with
// `asNobody` (the tests run as root) as the user and group nobody.
CtlResult RunCtl(const std::vector<std::string>& args, const std::string& input,
                 const std::string& cwd, bool asNobody = false);

// Runs murvelctl on a new pseudo-terminal (its controlling terminal) and types each of
// `answers` after a prompt ending in ": " has appeared, with a line end unless it ends in Ctrl-Z
// ("\x1a"). With `jobControl` murvelctl runs as a job of a small shell on that terminal, which
// continues it when it stops, after turning echo back on as shells do.
CtlResult RunCtlOnTerminal(const std::vector<std::string>& args,
                           const std::vector<std::string>& answers, const std::string& cwd,
                           bool jobControl = false);
