#include <QTableWidget>
#include <limits>
#include <memory>

#include "app/shell/codec_titles.h"
#include "app/windows/dataset_tables.h"
#include "app/windows/picture_table.h"
#include "brenlow/codec.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

SweepPoint jpegPoint(int quality, std::uint32_t codedSize, double psnr, double ssim) {
    SweepPoint made;
    made.codec = StillCodec::Jpeg;
    made.curve = "jpeg";
    made.quality = quality;
    made.figures.codedSize = codedSize;
    made.measures.bitsPerPixel = codedSize * 8.0 / 3072.0;
    made.measures.picture.psnr = psnr;
    made.measures.picture.ssimLuma = ssim;
    made.megapixels = 0.003072;
    return made;
}

// Two pictures of JPEG at 10 and 90: b's PSNR at 10 reads as a's (30.0000 both), a's SSIM at 90 is
// not known, nor is b's PSNR at 90.
std::shared_ptr<const DataSetOutcome> twoPictures() {
    auto outcome = std::make_shared<DataSetOutcome>();
    outcome->pictures = {"set/a.bmp", "set/b.bmp"};
    outcome->curves = defaultCurves({StillCodec::Jpeg});
    SweepOutcome a;
    a.points = {jpegPoint(10, 700, 30.00004, 0.8), jpegPoint(90, 5000, 40.0, kNaN)};
    SweepOutcome b;
    b.points = {jpegPoint(10, 650, 30.00001, 0.7), jpegPoint(90, 5200, kNaN, 0.99)};
    outcome->outcomes = {{"set/a.bmp", a}, {"set/b.bmp", b}};
    outcome->aggregate = aggregatePoints(outcome->outcomes, outcome->curves);
    return outcome;
}

int columnTitled(const QTableWidget& table, const std::string& title) {
    for (int i = 0; i < table.columnCount(); ++i)
        if (table.horizontalHeaderItem(i)->text().toStdString() == title) return i;
    return -1;
}

QStringList texts(const QTableWidget& table, int column) {
    QStringList cells;
    for (int row = 0; row < table.rowCount(); ++row) cells << table.item(row, column)->text();
    return cells;
}

class PictureTableTest : public WorkbenchTest {
protected:
    PictureTableTest() : table(makePictureTable(twoPictures(), rows)) {}

    std::vector<PictureRow> rows;
    std::unique_ptr<QTableWidget> table;
};

TEST_F(PictureTableTest, CellsShowEachPointAndWhyAValueIsMissing) {
    ASSERT_EQ(table->rowCount(), 4);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3].picture, 1u);
    EXPECT_EQ(rows[3].point, 1u);
    EXPECT_EQ(texts(*table, 0), QStringList({"a.bmp", "a.bmp", "b.bmp", "b.bmp"}));
    EXPECT_EQ(texts(*table, 1), QStringList(4, curveTitle("jpeg")));
    EXPECT_EQ(texts(*table, columnTitled(*table, "Coded size")), QStringList({"700", "5000", "650", "5200"}));
    const int psnr = columnTitled(*table, measureLabel(CurveMeasure("psnr")));
    ASSERT_GE(psnr, 0);
    EXPECT_EQ(texts(*table, psnr), QStringList({"30.0000", "40.0000", "30.0000", "n/a"}));
    EXPECT_FALSE(table->item(3, psnr)->toolTip().isEmpty()) << "an n/a says why";
    EXPECT_TRUE(table->item(0, psnr)->toolTip().isEmpty());
    EXPECT_EQ(table->item(0, psnr)->textAlignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(table->item(2, 0)->data(Qt::UserRole).toInt(), 2);
}

TEST_F(PictureTableTest, AColumnSortsByTheValueShownWithTheMissingLastAndTiesInTheirOrder) {
    const int psnr = columnTitled(*table, measureLabel(CurveMeasure("psnr")));
    table->sortItems(psnr);
    EXPECT_EQ(texts(*table, psnr), QStringList({"30.0000", "30.0000", "40.0000", "n/a"}));
    EXPECT_EQ(texts(*table, 0), QStringList({"a.bmp", "b.bmp", "a.bmp", "b.bmp"})) << "a's 30.00004 stays first";
    // Each cell still knows its point wherever the sort put it.
    EXPECT_EQ(table->item(1, 0)->data(Qt::UserRole).toInt(), 2);
    table->sortItems(columnTitled(*table, "Coded size"), Qt::DescendingOrder);
    EXPECT_EQ(texts(*table, columnTitled(*table, "Coded size")), QStringList({"5200", "5000", "700", "650"}));
    table->sortItems(0, Qt::DescendingOrder);
    EXPECT_EQ(texts(*table, 0), QStringList({"b.bmp", "b.bmp", "a.bmp", "a.bmp"}));
}

TEST_F(PictureTableTest, TheTableKeepsTheOutcomeItsCellsRead) {
    std::vector<PictureRow> own;
    std::unique_ptr<QTableWidget> alone;
    {
        std::shared_ptr<const DataSetOutcome> outcome = twoPictures();
        alone.reset(makePictureTable(outcome, own));
    }
    alone->sortItems(columnTitled(*alone, "Quality"), Qt::DescendingOrder);
    EXPECT_EQ(texts(*alone, columnTitled(*alone, "Quality")), QStringList({"90", "90", "10", "10"}));
    EXPECT_EQ(alone->item(0, 0)->text(), "a.bmp");
}

}  // namespace
}  // namespace brenlow::testing
