#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "brenlow/studies.h"

class QTableWidget;

namespace brenlow {

// Where a row of the picture table comes from.
struct PictureRow {
    std::size_t picture = 0;  // index into the data set's outcomes
    std::size_t point = 0;    // index into that picture's sweep
};

// Every point of every picture, one row each ("PictureTable"): the picture's file name, codec,
// quality, coded size, bits per pixel and each measure the aggregate holds. Row r is rows[r].
// Its cells hold no text: they read `outcome`, which the table keeps, when shown or sorted, so a
// data set of many thousand pictures costs a small record per cell.
QTableWidget* makePictureTable(std::shared_ptr<const DataSetOutcome> outcome, std::vector<PictureRow>& rows);

}  // namespace brenlow
