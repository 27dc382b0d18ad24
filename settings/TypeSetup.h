#pragma once
// Start-up set-up of the program's surroundings: the codec folder beside the program, the
// settings folder, and the file type of coded files ("text/x-CodedData") with its descriptions,
// icons and the program as the application that opens it. Also the two helpers with which the
// window finds and loads its optional background image.
#include <QImage>
#include <memory>

// Makes the codec folder and the settings folder when missing (mode 0755) and installs the
// coded-file type; prints "->done" at the end.
void CheckNeededDefs();

// True when the MIME type of the file at `path` (its stored type, else the one its contents
// suggest) contains `pattern`, case-sensitively. False for a missing file.
bool IsNodeTypeOk(const char* path, const char* pattern);

// Loads the image file at `path`. Null when the file cannot be read (silently) or not decoded (with
// a line on standard output).
std::unique_ptr<QImage> GetImage(const char* path);

// The coded-file type and the program's signature, as installed.
constexpr const char* kCodedDataType = "text/x-CodedData";
constexpr const char* kAppSignature = "application/x-vnd.Telva-Murvel";
