#include "app/shell/main_form.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QStatusBar>

#include "app/dialogs/sweep_dialog.h"
#include "app/dialogs/window_pair_dialog.h"
#include "app/docks/measurements_dock.h"
#include "app/jobs/sweep_progress.h"
#include "app/shell/mdi_child.h"
#include "app/shell/result_titles.h"
#include "app/windows/compare_window.h"
#include "app/windows/sweep_window.h"
#include "brenlow/studies.h"
#include "codecs/document.h"
#include "io/error.h"

namespace brenlow {

namespace {

struct NamedPicture {
    QString name;
    QImage picture;
};

// A decoded window opened from a file ("base~.bmp") is compared with base.bmp, or base.jpg.
NamedPicture sourceBesideDecoded(const QString& caption) {
    if (caption.endsWith(QStringLiteral("~.bmp"))) {
        const QString base = caption.chopped(5);
        for (const QString& name : {base + QStringLiteral(".bmp"), base + QStringLiteral(".jpg")})
            if (QFileInfo(name).isFile()) return {name, loadDocumentPicture(name.toStdString())};
    }
    throw Error("No source is known for \"" + caption.toStdString() +
                "\": compare a window decoded by a command, or a base~.bmp beside its base.bmp");
}

// A window of a decoded result (NAME~.bmp) is swept as a picture of its own: coded again, not its source.
QString decodedResultWarning(const QString& caption) {
    const QFileInfo file(caption);
    if (!file.completeBaseName().endsWith(QLatin1Char('~'))) return {};
    return QStringLiteral("%1 is a decoded result, not a source picture: the sweep codes its decoded pixels "
                          "again. To sweep the source, cancel and activate the source's window.")
        .arg(file.fileName());
}

}  // namespace

void TMainForm::codeAndShow(const TMDIChild& source, const CodecEntry& codec, const StillParameters& parameters,
                            const std::function<StillRunResult()>& code, const CodecSettings& settings) {
    RunRecord record;
    record.source = source.windowTitle();
    record.codec = &codec;
    record.parameters = parameters;
    record.settings = settings;
    const DocumentView view = source.view();
    StillRunResult result = inBackground([&] {
        StillRunResult coded = code();
        record.reference = referencePictureFor(codec, view);
        return coded;
    });
    record.figures = result.figures;
    const QImage decoded = result.decoded.bitmap;
    TMDIChild* shown = showStillResult(std::move(result));
    shown->setDescription(runDescription(codec, parameters, settings));
    markWindowsOfReplacedFile(*shown);
    shown->followView(source);
    Measurements->recordRun(&source, activeDocument(), std::move(record), decoded);
}

std::optional<SweepChoice> TMainForm::chooseSweep(const QString& subject, const QString& warning) {
    SweepDialog dialog(recalledSweepChoice(), this);
    dialog.showSubject(subject, warning);
    // The status line names the sweep once the user has said what it runs.
    statusBar()->clearMessage();
    if (!askSweepChoice(dialog)) return std::nullopt;
    statusBar()->showMessage(busyText_);
    rememberSweepChoice(dialog.choice());
    return dialog.choice();
}

void TMainForm::Sweep1Click() {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const long divisorCode = readFieldInteger(Edit3->text().toStdString());
    const long focus = readFieldInteger(Edit5->text().toStdString());
    const std::optional<SweepChoice> choice =
        chooseSweep(QStringLiteral("Sweeps %1").arg(document->caption()), decodedResultWarning(document->caption()));
    if (!choice) return;
    const SweepRequest request = sweepRequestOf(*choice, divisorCode, focus);
    const DocumentView view = document->view();
    PictureSweep sweep = inBackground([&] { return preparePictureSweep(view, request); });
    std::optional<SweepOutcome> outcome = runSweepWithProgress(this, sweep);
    if (!outcome) return;
    auto* window = new SweepWindow(document->caption(), std::move(*outcome), sweep.anchor, this);
    window->showMessage = showMessage;
    window->show();
}

void TMainForm::Compare1Click() {
    const TMDIChild* document = activeDocument();
    if (!document) return;
    const RunRecord* run = Measurements->runThatMade(document);
    const NamedPicture source =
        run ? NamedPicture{run->source, run->reference} : sourceBesideDecoded(document->caption());
    // A picture a run made is in its source's colours; a file opened as it is keeps its own.
    const QImage decoded = run ? inSourceColours(document->requirePicture(), source.picture) : document->requirePicture();
    const PictureMeasures measures = inBackground([&] { return measurePictures(source.picture, decoded); });
    auto* window = new CompareWindow(source.name, source.picture, document->windowTitle(), decoded, this);
    window->showMeasures(measures);
    window->show();
}

// The dialog is answered before the command starts, so that it shows no busy cursor.
void TMainForm::CompareTwo1Click() {
    if (commandRunning_) return;
    QList<TMDIChild*> shown;
    for (TMDIChild* document : documents())
        if (!document->bitmap().isNull()) shown << document;
    if (shown.size() < 2) {
        showMessage(QStringLiteral("Compare Two Windows needs two open windows with pictures of the same size."));
        return;
    }
    WindowPairDialog dialog(shown, activeDocument(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.windowB()) return;
    const QPointer<TMDIChild> a = dialog.windowA();
    const QPointer<TMDIChild> b = dialog.windowB();
    runCommand([&] {
        if (!a || !b) throw Error("A window chosen for the comparison has been closed.");
        const QImage& first = a->requirePicture();
        const QImage& second = b->requirePicture();
        const PictureMeasures measures = inBackground([&] { return measurePictures(first, second); });
        auto* window = new CompareWindow(a->windowTitle(), first, b->windowTitle(), second, this,
                                         CompareRoles::twoWindows());
        window->showMeasures(measures);
        window->show();
    });
}

}  // namespace brenlow
