// The words of the engine's faults: every code has a whole text, a translation may move the
// data, and what came from a file cannot drive the terminal.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "app/words/FaultWords.h"

namespace {

// The table has one row for every code, in the codes' order, and no other; every code, its data
// and causes filled in, reads as a sentence, with a path and without: no field of a text is one
// the filler does not know.
TEST(FaultWords, EveryCodeHasOneRowAndAWholeText) {
  size_t rows = 0;
  const FaultWordsRow* table = FaultWordsTable(&rows);
  ASSERT_EQ(rows, size_t(FaultCode::Last) + 1);
  Fault cause(FaultCode::CutShort);
  for (size_t c = 0; c < rows; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(size_t(table[c].code), c);
    if (c == size_t(FaultCode::None)) continue;
    for (const char* path : {"/p", ""}) {
      Fault f(static_cast<FaultCode>(c));
      f.Path(path).Name("user.x").Err(EIO).Numbers(7, 8).Because(cause).Because(cause);
      f.flaw.kind = RecordFlaw::TimeByte;
      f.Seal(seal::SealFault::Changed);
      const std::string text = FaultText(f);
      EXPECT_FALSE(text.empty());
      EXPECT_NE(text, "?");
      EXPECT_EQ(text.find('{'), std::string::npos) << text;
    }
  }
}

std::string Reordered(const char* text) {
  if (std::strcmp(text, "can't open '{path}': {err}") == 0) return "{err} -- {path}";
  if (std::strcmp(text, "can't keep a journal of the change: {1}") == 0) return "Journal: {1}";
  return text;
}

TEST(FaultWords, ATranslationMovesTheDataAndCausesAreSaidInTurn) {
  Fault open = Fault(FaultCode::Open).Path("a\nb").Err(EACCES);
  EXPECT_EQ(FaultText(open), std::string("can't open 'a?b': ") + std::strerror(EACCES));
  EXPECT_EQ(FaultText(open, Reordered), std::string(std::strerror(EACCES)) + " -- a?b");
  // The file at hand, named by no path, is "it".
  EXPECT_EQ(FaultText(Fault(FaultCode::Open).Err(EACCES)),
            std::string("can't open it: ") + std::strerror(EACCES));
  Fault nested =
      Fault(FaultCode::NoJournal)
          .Because(Fault(FaultCode::JournalDamaged).Path("/j").Because(Fault(FaultCode::CutShort)));
  EXPECT_EQ(FaultText(nested, Reordered), "Journal: the journal '/j' is damaged: it is cut short");
  // A cause that is missing is said to be unknown, not left out.
  EXPECT_EQ(FaultText(Fault(FaultCode::InterruptedNotSettled)),
            "it carries an interrupted change, which could not be settled: ?");
  Fault damaged(FaultCode::DamagedRecord);
  damaged.flaw = RecordFlaw{RecordFlaw::TimeByte, 4, 0, 0, 0};
  EXPECT_EQ(FaultText(Fault(FaultCode::NotDecoded).Because(damaged)),
            "damaged record (its time code's month byte is out of range): "
            "not decoded");
}

}  // namespace
