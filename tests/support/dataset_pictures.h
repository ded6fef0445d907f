#pragma once

#include <QJsonObject>
#include <string>
#include <vector>

namespace brenlow::testing {

// Five crops of the sample and the test photographs, 128 to 256 pixels a side, as PNG, BMP and
// PPM files in `folder` (which must exist); two are too small for MS-SSIM. Returns their paths in
// name order.
std::vector<std::string> makeSmallDataSet(const std::string& folder);

// A data set's JSON line as an object, less what depends on the clock: its seconds, every point's
// timings, the aggregate's speeds and the runs that timed them.
QJsonObject withoutTimes(const std::string& line);

}  // namespace brenlow::testing
