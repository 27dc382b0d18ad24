#pragma once
// An interrupt (Ctrl-C), a hang-up or a termination request must not cut a file's transaction
// in half. While the files are worked on, those signals only note the request; the file in hand
// are finished and the rest are left alone.
class StopRequest {
 public:
  // Installs the handlers (SIGINT, SIGTERM, SIGHUP), except for a signal that is ignored when
  // the program starts (nohup, a background job): that one stays ignored.
  static void Install();
  // True once one of those signals arrived.
  static bool Requested();
  // The first of them that arrived (0: none).
  static int Signal();
};
