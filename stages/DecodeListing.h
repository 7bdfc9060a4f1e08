#pragma once
// Decoding of a whole server listing of the program tree.
#include "net/DataSearch.h"

#include <QVector>

// Rewrites Comment, Size and DateTime of every entry from its archive name (FileName). An
// entry whose name does not follow the scheme is left with an empty Comment, Size 0 and
// DateTime 0; the pairing skips and reports such entries.
void DecodeServerListing(QVector<TDataSearch> &Listing);
