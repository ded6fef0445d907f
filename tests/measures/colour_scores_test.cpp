#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/document.h"
#include "measures/butteraugli.h"
#include "measures/ssimulacra2.h"

namespace brenlow {
namespace {

// What the published tools make of each pair, as colour.csv lists it.
struct PublishedRow {
    std::string original, distorted, tagging;
    double ssimulacra2 = 0.0, butteraugliMax = 0.0, butteraugli3Norm = 0.0;
};

std::vector<PublishedRow> readPublished(const std::string& csv) {
    std::ifstream in(csv);
    std::vector<PublishedRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("original,", 0) == 0) continue;
        std::istringstream fields(line);
        PublishedRow row;
        std::string value[3];
        std::getline(fields, row.original, ',');
        std::getline(fields, row.distorted, ',');
        std::getline(fields, row.tagging, ',');
        for (std::string& field : value) std::getline(fields, field, ',');
        row.ssimulacra2 = std::stod(value[0]);
        row.butteraugliMax = std::stod(value[1]);
        row.butteraugli3Norm = std::stod(value[2]);
        rows.push_back(row);
    }
    return rows;
}

double relativeDifference(double ours, double published) { return std::abs(ours - published) / published; }

struct Agreement {
    double ssimulacra2 = 0.0;  // the largest difference in points
    double butteraugli = 0.0;  // the largest relative difference of the max and the 3-norm
};

// Each pair read as the product reads a picture (its own readers, its colour encoding kept) and
// measured as a run measures it; the largest differences from the published figures per tagging.
std::map<std::string, Agreement> agreementPerTagging(const std::string& folder) {
    std::map<std::string, Agreement> largest;
    for (const PublishedRow& row : readPublished(folder + "/colour.csv")) {
        const QImage original = loadDocumentPicture(folder + "/" + row.original);
        const QImage distorted = loadDocumentPicture(folder + "/" + row.distorted);
        Agreement& worst = largest[row.tagging];
        worst.ssimulacra2 = std::max(worst.ssimulacra2, std::abs(ssimulacra2(original, distorted) - row.ssimulacra2));
        if (!butteraugliAvailable()) continue;
        const ButteraugliDistance distance =
            butteraugliDistance(CommonArea{original, distorted, original.width(), original.height()});
        worst.butteraugli = std::max({worst.butteraugli, relativeDifference(distance.max, row.butteraugliMax),
                                      relativeDifference(distance.threeNorm, row.butteraugli3Norm)});
    }
    return largest;
}

// SSIMULACRA 2 within 0.1 of the published tool whatever the tagging; Butteraugli as close on
// tagged pairs as on the untagged ones, which the library reads from the same bytes as its tool.
TEST(ColourScoresTest, EveryTaggingAgreesWithThePublishedTools) {
    const std::string folder = std::string(BRENLOW_REFERENCE_SCORES_DIR) + "/colour";
    if (!QFileInfo::exists(QString::fromStdString(folder + "/colour.csv")))
        GTEST_SKIP() << "no shared colour scores at " << folder;
    const std::map<std::string, Agreement> largest = agreementPerTagging(folder);
    ASSERT_EQ(largest.size(), 6u);
    const double untagged = largest.at("untagged").butteraugli;
    for (const auto& [tagging, worst] : largest) {
        std::cout << tagging << ": SSIMULACRA 2 within " << worst.ssimulacra2 << ", Butteraugli within "
                  << 100.0 * worst.butteraugli << " %\n";
        EXPECT_LT(worst.ssimulacra2, 0.1) << tagging;
        EXPECT_LT(worst.butteraugli, untagged + 0.005) << tagging;
    }
}

}  // namespace
}  // namespace brenlow
