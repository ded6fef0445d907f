#include "app/docks/measurements_dock.h"

#include <QFormLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>
#include <cmath>
#include <exception>

#if defined(__linux__)
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "io/error.h"

#include "app/docks/elided_label.h"
#include "app/shell/codec_titles.h"
#include "brenlow/measures.h"

namespace brenlow {
namespace {

// Row name and label of what the panel shows before the measures.
constexpr const char* kRunRows[][2] = {
    {"run", "Run"}, {"source", "Source"}, {"coded_size", "Coded size"}, {"bits_per_pixel", "Bits per pixel"}};

// Every row, the run's first and then the measure table's.
QList<QPair<QString, QString>> panelRows() {
    QList<QPair<QString, QString>> rows;
    for (const auto& [name, label] : kRunRows) rows.append({QString::fromLatin1(name), QString::fromLatin1(label)});
    for (const MeasureRow& row : measureTable()) rows.append({QString::fromLatin1(row.key), QString::fromLatin1(row.label)});
    return rows;
}

const QString kMeasuring = QStringLiteral("measuring...");

// The measures run at a lower priority, and so do the threads they start, so that painting the
// result and the next command the user starts never wait for them.
void yieldToTheWindows() {
#if defined(__linux__)
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
#endif
}

// The thread is named, so that a look at the process tells it apart.
void nameMeasuringThread(std::thread& thread) {
#if defined(__linux__)
    pthread_setname_np(thread.native_handle(), "measures");
#else
    (void)thread;
#endif
}

// "n/a" for a measure that is undefined for the pair or left out of this build.
QString measure(double value, int decimals) { return QString::fromStdString(formatMeasure(value, decimals)); }

QString shownMeasure(const MeasureRow& row, const PictureMeasures& measures) {
    return QString::fromStdString(row.shown(measures));
}

QString runText(const RunRecord& record) {
    if (!record.codec) return QStringLiteral("%1, quality %2").arg(record.curve).arg(record.parameters.quality);
    const CodecEntry& codec = *record.codec;
    QString text =
        QStringLiteral("%1, quality %2").arg(QString::fromStdString(codec.title)).arg(record.parameters.quality);
    // Codecs not ours take their settings beside the quality.
    if (codec.anchor != nullptr || codec.command != nullptr) {
        for (const auto& [key, value] : record.settings) text += QString::fromStdString(", " + key + " " + value);
        return text;
    }
    if (codec.codec != StillCodec::Jpeg) text += QStringLiteral(", divisor %1").arg(record.parameters.divisor);
    if (codec.codec == StillCodec::Avc) text += QStringLiteral(", focus %1").arg(record.parameters.passes);
    return text;
}

QString runLine(const RunRecord& record) {
    const QString text = runText(record);
    return record.origin.isEmpty() ? text : QStringLiteral("%1 (%2)").arg(text, record.origin);
}

// "PSNR, SSIM, MS-SSIM and ...": the measures the panel shows, by their short names.
QString measureNames() {
    QStringList names;
    for (const MeasureRow& row : measureTable())
        if (row.group == nullptr && row.shortName != nullptr) names << QString::fromUtf8(row.shortName);
    for (const OptionalMeasure& measure : optionalMeasures()) names << QString::fromUtf8(measure.title);
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

}  // namespace

MeasurementsDock::MeasurementsDock(QWidget* parent) : QDockWidget(QStringLiteral("Measurements"), parent) {
    setObjectName(QStringLiteral("MeasurementsDock"));
    auto* panel = new QWidget;
    auto* layout = new QVBoxLayout(panel);
    heading_ = new ElidedLabel;
    heading_->setObjectName(QStringLiteral("MeasurementsHeading"));
    layout->addWidget(heading_);
    auto* form = new QFormLayout;
    for (const auto& [name, label] : panelRows()) {
        auto* value = new ElidedLabel;
        value->setObjectName(name);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // The run's settings are read whole at the panel's first width.
        value->setBreaksAfterCommas(name == QLatin1String("run"));
        form->addRow(label + QLatin1Char(':'), value);
        values_.insert(name, value);
    }
    layout->addLayout(form);
    layout->addStretch(1);
    setWidget(panel);
    toggleViewAction()->setToolTip(QStringLiteral("Measurements"));
    toggleViewAction()->setStatusTip(
        QStringLiteral("Shows every measure of the active window's last run: coded size, bits per pixel, ") +
        measureNames());
    showWindow(nullptr);
}

MeasurementsDock::~MeasurementsDock() {
    pending_.clear();
    stopMeasuring();
}

void MeasurementsDock::recordRun(const QMdiSubWindow* source, const QMdiSubWindow* decoded, RunRecord record,
                                 const QImage& decodedPicture) {
    record.measures.bitsPerPixel =
        bitsPerPixel(record.figures.codedSize, record.reference.width(), record.reference.height());
    record.measuring = true;
    const auto shared = std::make_shared<RunRecord>(std::move(record));
    keep(source, shared);
    keep(decoded, shared);
    if (decoded) made_.insert(decoded, shared);
    pending_.push_back({shared, decodedPicture});
    measureNext();
}

void MeasurementsDock::recordMeasuredRun(const QMdiSubWindow* decoded, RunRecord record) {
    record.measuring = false;
    const auto shared = std::make_shared<RunRecord>(std::move(record));
    if (decoded) made_.insert(decoded, shared);
    keep(decoded, shared);
}

bool MeasurementsDock::measuring() const { return measuring_ != nullptr || !pending_.empty(); }

namespace {

// The measures in steps: those a run takes by default, then each of the others on its own, the
// slowest ones; a stop request is seen between them.
void takeMeasures(const QImage& reference, const QImage& decoded, std::uint64_t codedSize,
                  const std::atomic<bool>& stop, StillMeasures& measures) {
    const PreparedReference prepared(reference);
    ByteEnergies energies;
    const MeasureChoice usual;
    measures = measureStill(prepared, decoded, codedSize, usual, energies);
    for (const OptionalMeasure& measure : optionalMeasures()) {
        if (usual.takes(measure.name)) continue;
        if (stop) return;
        addMeasures(prepared, decoded, MeasureChoice::only({measure.name}), measures.picture);
    }
}

}  // namespace

// The thread reads only its own copies of the two pictures; the record is changed here, on the
// window's thread, once the thread has ended.
void MeasurementsDock::measureNext() {
    // A run whose windows have all closed, or moved on to later runs, is shown nowhere: its
    // measures are not taken, and its pictures go.
    while (!pending_.empty() && pending_.front().record.use_count() == 1) pending_.pop_front();
    if (measuring_ || pending_.empty()) return;
    PendingMeasures job = std::move(pending_.front());
    pending_.pop_front();
    measuring_ = std::make_unique<Measuring>();
    measuring_->record = job.record;
    Measuring* run = measuring_.get();
    run->thread = std::thread([this, run, reference = job.record->reference, decoded = std::move(job.decoded),
                               codedSize = job.record->figures.codedSize] {
        yieldToTheWindows();
        try {
            takeMeasures(reference, decoded, codedSize, run->stop, run->measures);
        } catch (const std::exception& error) {
            run->failure = QString::fromStdString(failureMessage(error));
        }
        // Dropped unseen when the panel is gone by then: its destructor has joined this thread.
        QMetaObject::invokeMethod(this, [this] { finishMeasures(); }, Qt::QueuedConnection);
    });
    nameMeasuringThread(run->thread);
}

void MeasurementsDock::finishMeasures() {
    if (!measuring_) return;
    measuring_->thread.join();
    const std::unique_ptr<Measuring> run = std::move(measuring_);
    const std::shared_ptr<RunRecord>& record = run->record;
    record->measuring = false;
    if (run->stop) {
        // Nothing shows the run any more.
    } else if (run->failure.isEmpty()) {
        record->measures = run->measures;
    } else if (showFailure) {
        showFailure(QStringLiteral("The measures of %1 could not be taken: %2").arg(record->source, run->failure));
    }
    showIfActive(record.get());
    measureNext();
}

void MeasurementsDock::stopMeasuring() {
    if (!measuring_) return;
    measuring_->stop = true;
    if (measuring_->thread.joinable()) measuring_->thread.join();
    measuring_.reset();
}

void MeasurementsDock::showIfActive(const RunRecord* record) {
    for (auto found = runs_.constBegin(); found != runs_.constEnd(); ++found) {
        const QMdiSubWindow* window = found.key();
        if (found.value().get() == record && window->mdiArea() && window->mdiArea()->activeSubWindow() == window)
            showWindow(window);
    }
}

void MeasurementsDock::keep(const QMdiSubWindow* window, const std::shared_ptr<RunRecord>& record) {
    if (!window) return;
    if (!runs_.contains(window)) connect(window, &QObject::destroyed, this, [this, window] { forget(window); });
    runs_.insert(window, record);
    if (window->mdiArea() && window->mdiArea()->activeSubWindow() == window) showWindow(window);
}

void MeasurementsDock::forget(const QMdiSubWindow* window) {
    runs_.remove(window);
    made_.remove(window);
    // The run being measured is shown nowhere now: it stops after the step under way.
    if (measuring_ && measuring_->record.use_count() == 1) measuring_->stop = true;
}

const RunRecord* MeasurementsDock::runOf(const QMdiSubWindow* window) const {
    const auto found = runs_.constFind(window);
    return found == runs_.constEnd() ? nullptr : found->get();
}

const RunRecord* MeasurementsDock::runThatMade(const QMdiSubWindow* window) const {
    const auto found = made_.constFind(window);
    return found == made_.constEnd() ? nullptr : found->get();
}

void MeasurementsDock::showWindow(const QMdiSubWindow* window) {
    if (!window) {
        showRun(nullptr, QStringLiteral("No document is active."));
        return;
    }
    const RunRecord* record = runOf(window);
    showRun(record, record ? window->windowTitle() : window->windowTitle() + QStringLiteral(": no run yet."));
}

void MeasurementsDock::showRun(const RunRecord* record, const QString& heading) {
    heading_->setFullText(heading);
    for (ElidedLabel* value : values_) value->setFullText(QString());
    if (!record) return;
    const PictureMeasures& m = record->measures.picture;
    values_["run"]->setFullText(runLine(*record));
    values_["source"]->setFullText(record->source);
    values_["coded_size"]->setFullText(QStringLiteral("%1 bytes").arg(record->figures.codedSize));
    values_["bits_per_pixel"]->setFullText(measure(record->measures.bitsPerPixel, 4));
    if (record->measuring) {
        for (ElidedLabel* value : values_)
            if (value->fullText().isEmpty()) value->setFullText(kMeasuring);
        return;
    }
    for (const MeasureRow& row : measureTable()) {
        const QString reason =
            std::isnan(row.of(m)) ? QString::fromStdString(undefinedMeasureReason(row, record->reference.width(),
                                                                                  record->reference.height()))
                                  : QString();
        values_[QString::fromLatin1(row.key)]->setFullText(shownMeasure(row, m), reason);
    }
}

QString MeasurementsDock::valueText(const QString& name) const {
    const ElidedLabel* value = values_.value(name);
    return value ? value->fullText() : QString();
}

}  // namespace brenlow
