#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QStatusBar>
#include <algorithm>
#include <utility>

#include "app/dialogs/dataset_pictures.h"
#include "app/dialogs/result_folders.h"
#include "app/dialogs/sweep_choice.h"
#include "app/docks/measurements_dock.h"
#include "app/docks/run_record.h"
#include "app/jobs/dataset_progress.h"
#include "app/jobs/dataset_run_panel.h"
#include "app/shell/codec_titles.h"
#include "app/shell/dataset_results.h"
#include "app/shell/main_form.h"
#include "app/shell/mdi_child.h"
#include "app/shell/workbench_settings.h"
#include "app/windows/compare_window.h"
#include "app/windows/dataset_window.h"
#include "brenlow/measures.h"
#include "brenlow/studies.h"
#include "brenlow/tables.h"
#include "io/error.h"

namespace brenlow {
namespace {

const QString kFolderKey = QStringLiteral("dataSet/folder");

QString recalledDataSetFolder() {
    return openWorkbenchSettings()->value(kFolderKey, QDir::homePath()).toString();
}

void rememberDataSetFolder(const QString& folder) { openWorkbenchSettings()->setValue(kFolderKey, folder); }

const QString kResultsKey = QStringLiteral("dataSet/results");

QString recalledResultsFolder() {
    return openWorkbenchSettings()->value(kResultsKey, QDir::homePath()).toString();
}

void rememberResultsFolder(const QString& folder) { openWorkbenchSettings()->setValue(kResultsKey, folder); }

// The folder picked in the picture list, remembered for the next run, or a new dated one. A typed
// name is taken from the working folder once, so that it means the same folder next time.
QString resultFolderOf(const DataSetPictureList& list, const std::vector<CodecCurve>& curves) {
    const QString picked =
        list.resultFolder().isEmpty() ? QString() : QDir::toNativeSeparators(QFileInfo(list.resultFolder()).absoluteFilePath());
    rememberDataSetResults(picked);
    return picked.isEmpty() ? datedResultFolder(workbenchResultsHome(), curves, QDate::currentDate()) : picked;
}

// One point's decoded picture, kept or coded again, with the picture it is measured against.
struct CodedPoint {
    QImage reference;
    DecodedPicture decoded;
    PictureMeasures measures;
};

// The Measurements panel's account of a data set's point, which the panel does not measure again.
RunRecord dataSetPointRun(const QString& source, const SweepPoint& point, const CodecCurve& curve,
                          const CodedPoint& coded) {
    RunRecord run;
    run.source = source;
    // A point decoded elsewhere was made by no codec of this build.
    run.codec = curve.otherCodec.empty() ? &codecEntryOf(curve.codec) : codecEntryNamed(curve.otherCodec);
    run.curve = curveTitle(point.curve);
    run.parameters.quality = static_cast<std::uint8_t>(point.quality);
    if (!run.codec || run.codec->anchor != nullptr || run.codec->command != nullptr)
        run.settings = curve.settings;
    else
        run.parameters = stillParametersOf(curve, point.quality);
    run.figures = point.figures;
    run.measures.picture = coded.measures;
    run.measures.bitsPerPixel = point.measures.bitsPerPixel;
    run.reference = coded.reference;
    run.origin = QStringLiteral("a data set sweep's point, coded again as the sweep coded it");
    return run;
}

// The picture is read as the data set run reads it, so that the point has the sweep's bits.
CodedPoint codePoint(const std::string& picture, const SweepPoint& point, const CodecCurve& curve) {
    SweepSettings settings;
    settings.curves = {curve};
    settings.qualities = {point.quality};
    const PictureDocument document = openPictureDocument(picture, false);
    const SweepSource source = prepareSweep(document.view(), settings);
    CodedPoint coded;
    coded.reference = source.referenceFor(curve);
    coded.decoded = decodedStoredPoint(source, curve, point);
    coded.measures = measurePictures(coded.reference, inSourceColours(coded.decoded.bitmap, coded.reference));
    return coded;
}

// The items the run went on without, for a message beside the data set window.
QString failedItemsText(const std::vector<FailedItem>& failed) {
    QString text = QStringLiteral("%1 of the data set's items failed; every figure is taken without them:")
                       .arg(failed.size());
    for (const FailedItem& item : failed)
        text += QStringLiteral("\n%1 on %2: %3")
                    .arg(curveTitle(item.curve), QString::fromStdString(item.picture),
                         QString::fromStdString(item.reason));
    return text;
}

// The window of a data set of only some of its pictures says so, the same whether the run was
// cancelled here or its folder, left unfinished, is opened later.
void markPartial(QWidget* window, std::size_t shown, std::size_t total) {
    window->setWindowTitle(
        window->windowTitle() + QStringLiteral(" - partial: cancelled after %1 of %2 pictures").arg(shown).arg(total));
}

}  // namespace

void TMainForm::DataSetSweep1Click() {
    if (dataSetRunning()) return;  // one at a time: each is a folder locked and every core busy
    const long divisorCode = readFieldInteger(Edit3->text().toStdString());
    const long focus = readFieldInteger(Edit5->text().toStdString());
    // As for the sweep, the status line names the work once the dialogs are answered.
    statusBar()->clearMessage();
    const QString folder = askDataSetFolder(recalledDataSetFolder());
    if (folder.isEmpty()) return;
    rememberDataSetFolder(folder);
    const std::optional<SweepChoice> choice =
        chooseSweep(QStringLiteral("Sweeps every picture of %1").arg(QDir::toNativeSeparators(folder)));
    if (!choice) return;

    DataSetRequest request;
    request.pictures = {folder.toStdString()};
    request.sweep = sweepRequestOf(*choice, divisorCode, focus);
    DataSetPlan plan = planDataSet(request);
    DataSetRun& run = plan.run;
    const std::size_t curves = std::max<std::size_t>(run.settings.curves.size(), 1);
    DataSetPictureList list(selectionOf(run.pictures, plan.ownOutputs), run.settings.curves.size(),
                            static_cast<std::size_t>(sweepPointCount(run.settings)) / curves,
                            rememberedDataSetResults(), workbenchResultsHome(), this);
    if (!askDataSetPictures(list)) return;
    run.pictures = list.chosenPictures();
    if (run.pictures.empty()) return;
    const QString results = resultFolderOf(list, run.settings.curves);
    run.resultFolder = QDir::toNativeSeparators(results).toStdString();
    // File > Open Results offers the folder the data set is filed in.
    rememberResultsFolder(results);
    startDataSetRun(std::move(plan), QDir::toNativeSeparators(folder));
}

void TMainForm::createDataSetRunner() {
    dataSetRunner_ = new DataSetRunner(this);
    dataSetRunner_->progressed = [this](int done, int total, const QString& text) {
        DataSetProgress1->showProgress(done, total, text);
    };
    dataSetRunner_->ended = [this](DataSetProgressOutcome& progress) { endDataSetRun(progress); };
    connect(DataSetProgress1, &DataSetRunPanel::cancelRequested, this, &TMainForm::cancelDataSetRun);
}

bool TMainForm::dataSetRunning() const {
    return dataSetRunner_->running();
}

void TMainForm::cancelDataSetRun() {
    if (!dataSetRunning()) return;
    dataSetRunner_->cancel();
    DataSetProgress1->showStopping();
}

void TMainForm::startDataSetRun(DataSetPlan plan, const QString& folder) {
    const int total = dataSetPointCount(plan.run);
    Progress starting;
    starting.total = total;
    const QString text = dataSetProgressText(plan.run, starting);
    dataSetRunFolder_ = folder;
    if (!dataSetRunner_->start(std::move(plan))) return;
    DataSetProgress1->start(total, text);
    updateCommandActions();
}

void TMainForm::endDataSetRun(DataSetProgressOutcome& progress) {
    DataSetProgress1->finish();
    updateCommandActions();
    const bool exiting = std::exchange(exitWhenDataSetStops_, false);
    if (!progress.failure.isEmpty()) showMessage(progress.failure);
    // Said even when nothing is shown: the folder keeps what a cancelled run finished.
    if (progress.failure.isEmpty()) statusBar()->showMessage(progress.summary);
    if (exiting) {
        close();
        return;
    }
    if (!progress.outcome) return;
    const DataSetPlan& plan = dataSetRunner_->plan();
    DataSetWindow* window = showDataSetWindow(dataSetRunFolder_, std::move(*progress.outcome), plan.anchor,
                                              [](const std::string& picture) { return picture; },
                                              {plan.run.resultFolder});
    // The same folder swept again in one session: its windows are told apart by their number.
    const int run = ++dataSetRuns_[dataSetRunFolder_];
    if (run > 1) window->setWindowTitle(window->windowTitle() + QStringLiteral(" (%1)").arg(run));
    if (progress.cancelled) markPartial(window, progress.picturesDone, progress.picturesTotal);
}

void TMainForm::OpenResults1Click() {
    statusBar()->clearMessage();
    const QStringList folders = askResultFolders(recalledResultsFolder());
    if (folders.isEmpty()) return;
    rememberResultsFolder(folders.first());
    std::vector<std::string> names;
    for (const QString& folder : folders) names.push_back(QDir::toNativeSeparators(folder).toStdString());
    OpenedDataSet opened = inBackground([&] {
        try {
            return openDataSet(names);
        } catch (const std::exception& error) {
            throw Error(QStringLiteral("The results in %1 could not be opened: %2")
                            .arg(resultFoldersCaption(folders), QString::fromStdString(failureMessage(error)))
                            .toStdString());
        }
    });
    const std::string anchor = resultAnchorOf(opened.outcome.curves);
    const std::size_t shown = opened.outcome.pictures.size();
    DataSetWindow* window =
        showDataSetWindow(resultFoldersCaption(folders), std::move(opened.outcome), anchor,
                          [folders](const std::string& picture) { return resultPictureFile(picture, folders); }, names);
    // A folder of a run stopped before its end shows what that run showed when it was cancelled.
    if (shown < opened.picturesTotal) markPartial(window, shown, opened.picturesTotal);
}

DataSetWindow* TMainForm::showDataSetWindow(const QString& caption, DataSetOutcome outcome, const std::string& anchor,
                                            std::function<std::string(const std::string&)> pictureFile,
                                            std::vector<std::string> resultFolders) {
    const std::vector<FailedItem> failed = outcome.failed;
    auto* window = new DataSetWindow(caption, std::move(outcome), anchor, this);
    window->resultFolders = std::move(resultFolders);
    window->showMessage = showMessage;
    window->openPoint = [this, pictureFile](const std::string& picture, const SweepPoint& point,
                                            const CodecCurve& curve) {
        // Copies: the data set window may close while the command runs.
        const std::string file = pictureFile(picture);
        const QString busy = point.keptDecoded.path.empty() ? QStringLiteral("Coding %1 with %2 at quality %3...")
                                                            : QStringLiteral("Opening %1 as %2 decoded it at quality %3...");
        runCommand([this, file, point, curve] { openDataSetPoint(file, point, curve); },
                   busy.arg(QFileInfo(QString::fromStdString(file)).fileName(), curveTitle(point.curve))
                       .arg(point.quality));
    };
    window->show();
    if (!failed.empty()) showMessage(failedItemsText(failed));
    return window;
}

void TMainForm::openDataSetPoint(const std::string& picture, const SweepPoint& point, const CodecCurve& curve) {
    CodedPoint coded = inBackground([&] { return codePoint(picture, point, curve); });
    OpenDocument(QString::fromStdString(picture));
    const TMDIChild* document = activeDocument();
    if (!document) throw Error("\"" + picture + "\" could not be opened.");
    const QString sourceCaption = document->caption();
    const QString caption = QStringLiteral("%1, %2 at quality %3")
                                .arg(sourceCaption, curveTitle(point.curve))
                                .arg(point.quality);
    coded.decoded.caption = caption.toStdString();
    const QImage decoded = coded.decoded.bitmap;
    const TMDIChild* shown = showDecodedPicture(std::move(coded.decoded));
    Measurements->recordMeasuredRun(shown, dataSetPointRun(sourceCaption, point, curve, coded));
    auto* window = new CompareWindow(sourceCaption, coded.reference, caption, decoded, this);
    window->showMeasures(coded.measures);
    window->show();
}

}  // namespace brenlow
