#include <QFileInfo>
#include <QTimer>

#include "app/shell/main_form.h"
#include "app/shell/workbench_settings.h"
#include "brenlow/codec.h"
#include "brenlow/session.h"
#include "io/error.h"

namespace brenlow {
namespace {

// Adds the codecs of each file to the registry and hands back the files that loaded; each file
// that did not is named in `failures` with the reason.
QStringList loadCodecFiles(const QStringList& files, QStringList& failures) {
    QStringList loaded;
    for (const QString& file : files) {
        try {
            Session().addCodecFile(file.toStdString());
            loaded << file;
        } catch (const std::exception& failure) {
            failures << QString::fromStdString(failureMessage(failure));
        }
    }
    return loaded;
}

}  // namespace

void TMainForm::LoadCodecDescriptions1Click() {
    QStringList chosen;
    const QString dialog = QStringLiteral("codecFiles");
    for (const QString& file : askCodecFiles(rememberedDialogFolder(dialog))) chosen << QFileInfo(file).absoluteFilePath();
    if (chosen.isEmpty()) return;
    rememberDialogFolder(dialog, QFileInfo(chosen.first()).absolutePath());
    QStringList failures;
    const QStringList loaded = loadCodecFiles(chosen, failures);
    QStringList remembered = rememberedCodecFiles();
    for (const QString& file : loaded)
        if (!remembered.contains(file)) remembered << file;
    rememberCodecFiles(remembered);
    fillAnchorCodecMenu();
    if (failures.size() == 1) throw Error(failures.front().toStdString());
    if (!failures.isEmpty())
        throw Error(QStringLiteral("%1 of the codec descriptions chosen were not loaded:\n%2")
                        .arg(failures.size())
                        .arg(failures.join(QLatin1Char('\n')))
                        .toStdString());
}

void TMainForm::loadRememberedCodecFiles() {
    const QStringList remembered = rememberedCodecFiles();
    QStringList failures;
    const QStringList loaded = loadCodecFiles(remembered, failures);
    if (failures.isEmpty()) return;
    rememberCodecFiles(loaded);
    const QString text =
        QStringLiteral("Codec descriptions loaded in an earlier session could not be loaded again, so their codecs "
                       "are not offered now and the files are forgotten (load them with Compress > Anchor Codec > "
                       "Load Codec Descriptions... once they are right):\n%1")
            .arg(failures.join(QLatin1Char('\n')));
    // Shown once the window is up, by whoever shows messages by then.
    QTimer::singleShot(0, this, [this, text] { showMessage(text); });
}

}  // namespace brenlow
