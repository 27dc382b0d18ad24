#pragma once
// The test vectors of docs/sealed-format.md, written out, not computed; scripts/seal-vectors.py
// makes the same bytes without libsodium.
#include <string>

struct SealVector {
  const char* password = "correct horse battery staple";
  // The salt is 00 01 .. 0f, the data key 20 21 .. 3f, the content nonce 40 41 .. 57 and the
  // wrap nonce 60 61 .. 77; the cost 2 passes over 64 KiB.
  std::string content = std::string("The quick brown fox jumps over the lazy dog.") +
                        "The quick brown fox jumps over the lazy dog." +
                        "The quick brown fox jumps over the lazy dog.";
  const char* derived_key = "2df47ede6358ed17a9976d4fcedb897a10036d432a4acef17d263bfc98bd20ac";
  const char* stream_key = "db9bf4c935cb850f4df6f6b66b3a3a1a8e10ddfa0a73864326a3f825deab4d43";
  const char* mac_key = "a81765ef3cd884724f759b68a1c752bdbbaf638ceb5796528dd6043f5a3d66eb";
  const char* sealed_content =
      "b0f6d3bd3fd9344050a4965060fa037a640e1af50d3768c6d77b4b4594d690a94ebeaf71196322aa958db866"
      "5188b5421399bb59a95a85abb2b2b3e2cb29d04861068723f6b3979616d7d241c414d2ce54e25d80d29fd307"
      "a90b90abcdadca4ee10e720b02ec367a47630a10bff835e0a70237466602d0d4ff98e177befc1f18b81910bb";
  // The header's 129 bytes, its 16-byte MAC and the 16-byte tail.
  const char* record =
      "010200000040000000000102030405060708090a0b0c0d0e0f84000000000000004041424344454647484"
      "94a4b4c4d4e4f5051525354555657606162636465666768696a6b6c6d6e6f7071727374757677"
      "3cbed0985450a3576201ac12a12654c176c0f63a64f0e68b0785ca8134bb04566098a8172989a7fb4e167f"
      "e3be40282a"
      "b730b48fa5a6f9924ceb546b7bcab092"
      "910000001c6796f7894d565345414c0a";
  // Eight bytes of keystream from offset 2^38 - 3: the last three of block 2^32 - 1 and the
  // first five of block 2^32, where a 32-bit block counter would wrap.
  const char* far_keystream = "090fcf516efecfb4";
};
