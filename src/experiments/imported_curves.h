#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "experiments/bd_rate.h"
#include "experiments/dataset_outcome.h"
#include "experiments/sweep_report.h"

namespace brenlow {

// Another codec's published rate-distortion points: one curve per measure it reports, each point
// (bits per pixel, value) in the file's order. It is compared with the data set's curves as it is:
// the file must hold figures over the same pictures for the comparison to mean anything.
struct ImportedCurve {
    std::string name;
    std::map<CurveMeasure, std::vector<RatePoint>> curves;
    // The dB curves the file gave as linear SSIM or MS-SSIM: published means of the linear value,
    // compared with the dB of the data set's mean linear value, not with its mean dB.
    std::set<CurveMeasure> decibelsOfMeanLinear;
};

// Reads a curve from either
//  - JSON as learned-codec evaluations publish it: {"name": "...", "results": {"bpp": [...],
//    "psnr": [...], "ms-ssim": [...]}}; "psnr" is our psnr, "psnr-y"/"psnr_y" psnr_y, "ms-ssim"
//    (linear) gives ms_ssim_y and ms_ssim_y_db (-10 log10(1 - v)), "ms-ssim-db" ms_ssim_y_db;
//    other keys are ignored; or
//  - CSV with a header row: "bpp" or "bits_per_pixel", measure columns named by measureKey,
//    an optional "name" (or else "codec") column, the same on every row; without one the file's
//    base name is the name.
// A file ending in .json is read as JSON, any other as CSV. Throws Error naming the file and what
// is wrong with it: not readable, not JSON, no bits per pixel, no measure we know, columns or
// arrays of different lengths, a value that is not a number, rows of several curves.
ImportedCurve readImportedCurve(const std::string& path);

// Each imported curve against the anchor's aggregate curve, on the measures the data set took
// and the curve has, in deltaTable's order (each measure with the cubic fit then PCHIP), each row
// named after the imported curve; empty when the anchor was not swept. An SSIM in dB that the
// file gave linearly is compared with the anchor's dB of the mean linear value (the row says so).
std::vector<DeltaRow> importedDeltaTable(const DataSetOutcome& outcome, const std::string& anchor,
                                         const std::vector<ImportedCurve>& imported);

}  // namespace brenlow
