#include "app/jobs/dataset_progress.h"

#include <QFileInfo>
#include <QStringList>
#include <QThread>
#include <map>

#include "app/shell/codec_titles.h"
#include "io/error.h"

namespace brenlow {
namespace {

QString timeLeftText(double secondsLeft) {
    if (secondsLeft < 0) return QStringLiteral("estimating the time left...");
    const qint64 seconds = static_cast<qint64>(secondsLeft + 0.999);
    if (seconds < 60) return QStringLiteral("about %1 s left").arg(seconds);
    return QStringLiteral("about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

// "3", "3 and 4", "3, 4 and 5".
QString numbersText(const QStringList& numbers) {
    if (numbers.size() < 2) return numbers.join(QString());
    return numbers.mid(0, numbers.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") + numbers.last();
}

}  // namespace

int dataSetPointCount(const DataSetRun& run) {
    return static_cast<int>(run.pictures.size()) * sweepPointCount(run.settings);
}

QString dataSetProgressText(const DataSetRun& run, const Progress& progress) {
    const std::size_t curves = run.settings.curves.size();
    const std::size_t items = run.pictures.size() * curves;
    // The run names an item "curve on picture"; the user reads "picture with codec", numbered in run order.
    std::map<std::string, std::size_t> numberOf;
    for (const std::string& running : progress.running) numberOf.emplace(running, 0);
    for (std::size_t picture = 0; picture < run.pictures.size(); ++picture)
        for (std::size_t curve = 0; curve < curves; ++curve) {
            const auto named = numberOf.find(run.settings.curves[curve].name + " on " + run.pictures[picture]);
            if (named != numberOf.end()) named->second = picture * curves + curve + 1;
        }
    QStringList numbers;
    QStringList names;
    for (const std::string& running : progress.running) {
        const std::size_t number = numberOf[running];
        if (number == 0) continue;
        const std::size_t index = number - 1;
        numbers << QString::number(number);
        names << QStringLiteral("%1 with %2")
                     .arg(QFileInfo(QString::fromStdString(run.pictures[index / curves])).fileName(),
                          curveTitle(run.settings.curves[index % curves].name));
    }
    QString text;
    if (names.isEmpty())
        text = progress.done >= progress.total && progress.total > 0 ? QStringLiteral("All %1 items done").arg(items)
                                                                     : QStringLiteral("Starting %1 items").arg(items);
    else
        text = QStringLiteral("%1 %2 of %3: %4")
                   .arg(names.size() == 1 ? QStringLiteral("Item") : QStringLiteral("Items"), numbersText(numbers))
                   .arg(items)
                   .arg(names.join(QStringLiteral(", ")));
    return text + QStringLiteral("; ") + timeLeftText(progress.secondsLeft);
}

DataSetRunner::DataSetRunner(QObject* parent) : QObject(parent) {}

DataSetRunner::~DataSetRunner() {
    if (!worker_) return;
    control_.cancel.cancel();
    worker_->disconnect(this);
    worker_->wait();
}

bool DataSetRunner::start(DataSetPlan plan) {
    if (running()) return false;
    plan_ = std::move(plan);
    ran_ = {};
    failure_ = nullptr;
    control_ = {};
    control_.jobs = plan_.run.jobs;
    control_.progress = [this](const Progress& progress) {
        const QString text = dataSetProgressText(plan_.run, progress);
        // Queued to the runner: dropped unseen if it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, done = progress.done, total = progress.total, text] {
                if (progressed) progressed(done, total, text);
            },
            Qt::QueuedConnection);
    };
    worker_.reset(QThread::create([this] {
        try {
            ran_ = runDataSet(plan_, control_);
        } catch (...) {
            failure_ = std::current_exception();
        }
    }));
    connect(worker_.get(), &QThread::finished, this, &DataSetRunner::finish, Qt::QueuedConnection);
    worker_->start();
    return true;
}

void DataSetRunner::cancel() {
    if (running()) control_.cancel.cancel();
}

void DataSetRunner::finish() {
    worker_->wait();
    worker_.reset();
    const DataSetRun& run = plan_.run;
    DataSetProgressOutcome result;
    result.picturesTotal = run.pictures.size();
    if (failure_) {
        try {
            std::rethrow_exception(failure_);
        } catch (const std::exception& error) {
            result.failure = QString::fromStdString(failureMessage(error));
        }
        if (result.failure.isEmpty()) result.failure = QStringLiteral("The data set sweep failed.");
    } else {
        result.cancelled = ran_.work.cancelled;
        result.summary = QString::fromStdString(workSummary(ran_.work, run.resultFolder));
        for (const std::string& change : ran_.work.codecChanges)
            result.summary += QStringLiteral(". ") + QString::fromStdString(change);
        result.picturesDone = ran_.outcome.pictures.size();
        if (ran_.hasOutcome) result.outcome = std::move(ran_.outcome);
    }
    ran_ = {};
    if (ended) ended(result);
}

}  // namespace brenlow
