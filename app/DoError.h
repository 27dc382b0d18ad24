#pragma once
// The information alert: "Autsch", the text (at most 2047 characters) and one button " Autch ",
// which Enter presses. Returns when the alert is closed.
void DoError(const char* text);
