#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "report/html_report.h"

namespace brenlow {
namespace {

// A data set of `count` pictures p0.png, p1.png, ... and one curve of two points each.
DataSetOutcome dataSetOf(std::size_t count) {
    CodecCurve curve;
    curve.name = "jpeg";
    std::vector<std::string> pictures;
    std::vector<PictureOutcome> outcomes;
    for (std::size_t i = 0; i < count; ++i) {
        pictures.push_back("p" + std::to_string(i) + ".png");
        PictureOutcome picture{pictures.back(), {}};
        for (int quality : {30, 80}) {
            SweepPoint point;
            point.curve = curve.name;
            point.quality = quality;
            point.measures.bitsPerPixel = quality / 40.0 + static_cast<double>(i % 7) / 100;
            point.measures.picture.psnr = 25.0 + quality / 10.0;
            picture.sweep.points.push_back(point);
        }
        outcomes.push_back(std::move(picture));
    }
    DataSetParameters parameters;
    parameters.qualities = {30, 80};
    return makeDataSetOutcome(pictures, {curve}, parameters, std::move(outcomes));
}

QJsonObject pageData(const std::string& html) {
    const std::string start = "<script type=\"application/json\" id=\"brenlow-data\">";
    const std::size_t from = html.find(start) + start.size();
    return QJsonDocument::fromJson(QByteArray::fromStdString(html.substr(from, html.find("</script>", from) - from)))
        .object();
}

std::vector<std::string> fileNames(const std::vector<ReportPage>& pages) {
    std::vector<std::string> names;
    for (const ReportPage& page : pages) names.push_back(page.fileName);
    return names;
}

// Pages of kPicturesPerReportPage pictures: one more picture makes one more page, and each page's
// data and tables hold its own pictures, from its first to its last, numbered from 0.
TEST(ReportPagesTest, EachPageHoldsItsOwnRunOfPicturesAndNamesTheOthers) {
    const ReportContext context;
    const std::size_t per = kPicturesPerReportPage;
    EXPECT_EQ(fileNames(htmlReportPages(dataSetOf(per), context, "r.html")), std::vector<std::string>{"r.html"});
    EXPECT_EQ(htmlReportPages(dataSetOf(per), context, "r.html").front().html.find("report-pages"), std::string::npos)
        << "one page links to no other";
    EXPECT_EQ(fileNames(htmlReportPages(dataSetOf(per + 1), context, "out/r.page.html")),
              (std::vector<std::string>{"out/r.page.html", "out/r.page-2.html"}));
    EXPECT_EQ(fileNames(htmlReportPages(dataSetOf(2 * per + 1), context, "report")),
              (std::vector<std::string>{"report", "report-2", "report-3"}));

    const DataSetOutcome outcome = dataSetOf(2 * per + 1);
    ReportContext found;
    for (const std::string& picture : outcome.pictures) found.pictureFiles.push_back("found/" + picture);
    const std::vector<ReportPage> pages = htmlReportPages(outcome, found, "r.html");
    ASSERT_EQ(pages.size(), 3u);
    for (std::size_t page = 0; page < pages.size(); ++page) {
        const std::string& html = pages[page].html;
        const std::size_t first = page * per, count = page == 2 ? 1 : per;
        const QJsonObject data = pageData(html);
        const QJsonArray pictures = data["pictures"].toArray();
        ASSERT_EQ(static_cast<std::size_t>(pictures.size()), count) << page;
        EXPECT_EQ(pictures.first().toString().toStdString(), "p" + std::to_string(first) + ".png");
        EXPECT_EQ(pictures.last().toString().toStdString(), "p" + std::to_string(first + count - 1) + ".png");
        const QJsonArray points = data["points"].toArray();
        EXPECT_EQ(static_cast<std::size_t>(points.size()), 2 * count);
        EXPECT_EQ(points.last().toObject()["picture"].toInt(), static_cast<int>(count - 1));
        EXPECT_EQ(data["aggregate"].toArray().first().toObject()["pictures"].toInt(), static_cast<int>(2 * per + 1))
            << "the means are over every picture on every page";
        EXPECT_NE(html.find("<td>p" + std::to_string(first) + ".png</td>"), std::string::npos) << page;
        EXPECT_EQ(html.find("<td>p" + std::to_string(first == 0 ? per : first - 1) + ".png</td>"), std::string::npos)
            << page;
        for (std::size_t other = 0; other < pages.size(); ++other)
            EXPECT_EQ(html.find("href=\"" + pages[other].fileName + "\"") != std::string::npos, other != page)
                << page << " links to " << other;
    }
}

}  // namespace
}  // namespace brenlow
