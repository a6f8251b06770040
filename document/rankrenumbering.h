#pragma once

#include "textlist.h"

#include <vector>

// What the intersection lines lose when the box of a rank leaves: the lines that named it, each
// with the index it had, and the lines kept whose text was not plain decimal ("01 2", "+0 1"),
// each with its index among the lines kept and the text it had.
struct RankRemoval {
    std::vector<IndexedText> removedLines;
    std::vector<IndexedText> unplainLines;
};

// The lines read as parseRankPair reads them: those that name the rank leave, every greater rank
// moves down by one, and each pair moved or not plain is written again in plain decimal; a line
// that is no pair stays as it is. The blocks whose span shows none of this is needed keep their
// bytes, the others are rewritten in place, on two threads for a long list.
RankRemoval removeRankFromLines(TextList& lines, long long rank);
// Takes back removeRankFromLines of the same rank, given what it handed back, byte for byte: the
// lines must be as it left them.
void restoreRankToLines(TextList& lines, long long rank, RankRemoval removal);
