#pragma once
// What a coded file carries beside the codec record, and the type it is given: the names that
// the engine writes and the type set-up installs, defined here once. The record itself is
// "PrivCodec" (codec/CCO.h); the platform's own type, preferred application and icon attributes
// are named in platform/NodeInfo.h.

// Stashes of what the file had before it was coded.
constexpr const char* kTypeStashAttr = "x_beos:type";
constexpr const char* kPrefAppStashAttr = "x_prefapp";
constexpr const char* kLargeIconStashAttr = "x_licon";
constexpr const char* kMiniIconStashAttr = "x_micon";

// The type of every coded file.
constexpr const char* kCodedDataType = "text/x-CodedData";
// The type of every sealed file (its seal record is seal/SealRecord.h's).
constexpr const char* kSealedDataType = "application/x-murvel-sealed";
