#include <QChartView>
#include <QCheckBox>
#include <QLineSeries>
#include <QValueAxis>
#include <cmath>
#include <limits>
#include <memory>

#include "app/charts/sweep_charts.h"
#include "gui_fixture.h"

namespace brenlow::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Collects what Qt warns of undefined numbers while it lives.
class QtWarnings {
public:
    QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::collect); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    QtWarnings(const QtWarnings&) = delete;
    QtWarnings& operator=(const QtWarnings&) = delete;

    static QStringList& seen() {
        static QStringList messages;
        return messages;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
        const bool undefined = text.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
                               text.contains(QStringLiteral("invalid"), Qt::CaseInsensitive);
        if (type != QtDebugMsg && type != QtInfoMsg && undefined) seen() << text;
    }
    QtMessageHandler previous_;
};

class ChartAxesTest : public WorkbenchTest {
protected:
    ChartAxesTest() { QtWarnings::seen().clear(); }

    // The charts of JPEG and WebP, each curve as `points` gives it.
    void makeCharts(std::function<std::vector<RatePoint>(const std::string&)> points) {
        charts.reset(makeRateDistortionCharts({"jpeg", "webp"}, {CurveMeasure("ssim_y")},
                                              [points](const std::string& curve, CurveMeasure) { return points(curve); }));
        charts->show();
    }

    QChart* chart(const char* name) const { return charts->findChild<QChartView*>(name)->chart(); }

    static QList<QPointF> pointsOf(QChart* chart, int series) {
        return static_cast<QLineSeries*>(chart->series().at(series))->points();
    }

    static QValueAxis& axis(QChart* chart, Qt::Orientation orientation) {
        return *qobject_cast<QValueAxis*>(chart->axes(orientation).first());
    }

    // Both axes of both charts span a finite range of something.
    static void expectFiniteSpans(QChart* chart) {
        for (Qt::Orientation orientation : {Qt::Horizontal, Qt::Vertical}) {
            const QValueAxis& shown = axis(chart, orientation);
            EXPECT_TRUE(std::isfinite(shown.min()) && std::isfinite(shown.max())) << shown.min() << " " << shown.max();
            EXPECT_LT(shown.min(), shown.max());
        }
    }

    QtWarnings warnings;
    std::unique_ptr<QWidget> charts;
};

// A data set of a flat picture: its PSNR is infinite at every point it codes without loss, and so is
// the mean over the pictures; WebP's point at 60 alone keeps a finite mean.
TEST_F(ChartAxesTest, APointAloneGetsAnAxisAroundItAndQtIsHandedNoUndefinedValue) {
    makeCharts([](const std::string& curve) {
        if (curve == "jpeg") return std::vector<RatePoint>{{2.26, kInf}, {2.62, kInf}, {3.86, kInf}};
        return std::vector<RatePoint>{{0.71, kInf}, {1.01, 34.16}, {2.20, kInf}};
    });
    for (const char* name : {"PsnrChart", "MeasureChart"}) {
        QChart* shown = chart(name);
        EXPECT_TRUE(pointsOf(shown, 0).isEmpty()) << name;
        ASSERT_EQ(pointsOf(shown, 1), QList<QPointF>({QPointF(1.01, 34.16)})) << name;
        expectFiniteSpans(shown);
        EXPECT_LT(axis(shown, Qt::Vertical).min(), 34.16);
        EXPECT_GT(axis(shown, Qt::Vertical).max(), 34.16);
    }
    EXPECT_TRUE(QtWarnings::seen().isEmpty()) << QtWarnings::seen().join('\n').toStdString();
}

TEST_F(ChartAxesTest, UndefinedRatesAndValuesAreLeftOutOnEitherScale) {
    makeCharts([](const std::string& curve) {
        if (curve == "jpeg") return std::vector<RatePoint>{{kNaN, 30.0}, {0.5, kNaN}, {1.0, 35.0}, {kInf, 40.0}};
        return std::vector<RatePoint>{{0.25, 31.0}, {-kInf, 33.0}, {2.0, 41.0}};
    });
    EXPECT_EQ(pointsOf(chart("PsnrChart"), 0), QList<QPointF>({QPointF(1.0, 35.0)}));
    EXPECT_EQ(pointsOf(chart("PsnrChart"), 1), QList<QPointF>({QPointF(0.25, 31.0), QPointF(2.0, 41.0)}));
    expectFiniteSpans(chart("PsnrChart"));
    charts->findChild<QCheckBox*>("ChartLogRate")->setChecked(true);
    EXPECT_EQ(pointsOf(chart("MeasureChart"), 0), QList<QPointF>({QPointF(1.0, 35.0)}));
    EXPECT_TRUE(QtWarnings::seen().isEmpty()) << QtWarnings::seen().join('\n').toStdString();
}

TEST_F(ChartAxesTest, CurvesOfOneValueAtNoBitsStillSpanBothAxes) {
    makeCharts([](const std::string&) { return std::vector<RatePoint>{{0.0, 0.0}, {0.0, 0.0}}; });
    expectFiniteSpans(chart("PsnrChart"));
    EXPECT_LE(axis(chart("PsnrChart"), Qt::Horizontal).min(), 0.0);
    EXPECT_TRUE(QtWarnings::seen().isEmpty()) << QtWarnings::seen().join('\n').toStdString();
}

}  // namespace
}  // namespace brenlow::testing
