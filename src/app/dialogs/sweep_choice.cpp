#include "app/dialogs/sweep_choice.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>

#include "app/shell/workbench_settings.h"
#include "catalogue/codec_registry.h"
#include "codecs/field_rules.h"
#include "experiments/quality_list.h"
#include "io/error.h"
#include "measures/butteraugli.h"

namespace brenlow {
namespace {

const QString kCurvesKey = QStringLiteral("sweep/curves");
const QString kCodecsKey = QStringLiteral("sweep/codecs");  // before curves: one name per codec checked
const QString kQualitiesKey = QStringLiteral("sweep/qualities");
const QString kBppTargetsKey = QStringLiteral("sweep/bppTargets");
const QString kBySizeKey = QStringLiteral("sweep/bySize");
const QString kMsSsimKey = QStringLiteral("sweep/msSsim");
const QString kCiede2000Key = QStringLiteral("sweep/ciede2000");
const QString kButteraugliKey = QStringLiteral("sweep/butteraugli");
const QString kSsimulacra2Key = QStringLiteral("sweep/ssimulacra2");
const QString kAnchorKey = QStringLiteral("sweep/anchor");

// The toolbar's fields give the divisor and focus; a remembered curve names them only when its
// own settings differ, so those keys are left to the run.
RunDefaults toolbarDefaults(long divisorCode, long focus) { return runDefaultsOf(divisorCode, focus); }

bool readsInThisBuild(const QString& text) {
    try {
        (void)curveNamed(text.toStdString());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

QStringList recalledCurves(const QSettings& settings, const QStringList& fallback) {
    QStringList curves;
    if (settings.contains(kCurvesKey)) {
        curves = settings.value(kCurvesKey).toStringList();
    } else if (settings.contains(kCodecsKey)) {
        for (const QString& name : settings.value(kCodecsKey).toStringList())
            if (const CodecEntry* codec = codecEntryNamed(name.toStdString())) curves << rememberedCurveName(*codec);
    } else {
        return fallback;
    }
    curves.erase(std::remove_if(curves.begin(), curves.end(), [](const QString& text) { return !readsInThisBuild(text); }),
                 curves.end());
    return curves;
}

}  // namespace

std::vector<int> qualitiesOf(const SweepChoice& choice) {
    return parseQualities(QString(choice.qualities).remove(QLatin1Char(' ')).toStdString());
}

std::vector<double> bppTargetsOf(const SweepChoice& choice) {
    try {
        return parseBppTargets(QString(choice.bppTargets).remove(QLatin1Char(' ')).toStdString());
    } catch (const Error&) {
        return {};
    }
}

CodecCurve sweepCurveNamed(const QString& text, long divisorCode, long focus) {
    return curveNamed(text.trimmed().toStdString(), toolbarDefaults(divisorCode, focus));
}

QString rememberedCurveName(StillCodec codec) { return rememberedCurveName(codecEntryOf(codec)); }

QString rememberedCurveName(const CodecEntry& entry) {
    const CodecSettings remembered = rememberedCodecSettings(entry);
    const RunDefaults runKeys = toolbarDefaults(0, 0);
    std::string name = entry.name;
    for (const SettingDescription& setting : entry.settings) {
        const auto value = remembered.find(setting.key);
        if (value != remembered.end() && value->second != setting.defaultValue && !runKeys.contains(setting.key))
            name += ":" + setting.key + "=" + value->second;
    }
    return QString::fromStdString(name);
}

SweepSettings sweepSettingsOf(const SweepChoice& choice, long divisorCode, long focus) {
    SweepSettings settings;
    std::vector<std::string> texts;
    for (const QString& curve : choice.curves) texts.push_back(curve.trimmed().toStdString());
    settings.curves = curvesNamed(texts, toolbarDefaults(divisorCode, focus));
    settings.qualities = qualitiesOf(choice);
    if (choice.bySize) settings.bppTargets = bppTargetsOf(choice);
    settings.measures = choice.measures;
    settings.divisor = divisorFor(divisorCode, Command::AvcStill);
    settings.passes = focusFor(focus);
    return settings;
}

std::string anchorCurveOf(const SweepChoice& choice, const SweepSettings& settings) {
    if (const auto anchor = curveMatching(choice.anchor.trimmed().toStdString(), settings.curves)) return *anchor;
    return settings.curves.empty() ? choice.anchor.toStdString() : settings.curves.front().name;
}

SweepChoice recalledSweepChoice() {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    SweepChoice choice;
    choice.curves = recalledCurves(*settings, choice.curves);
    choice.qualities = settings->value(kQualitiesKey, choice.qualities).toString();
    choice.bppTargets = settings->value(kBppTargetsKey, choice.bppTargets).toString();
    choice.bySize = settings->value(kBySizeKey, choice.bySize).toBool();
    choice.measures.msSsim = settings->value(kMsSsimKey, choice.measures.msSsim).toBool();
    choice.measures.ciede2000 = settings->value(kCiede2000Key, choice.measures.ciede2000).toBool();
    choice.measures.butteraugli =
        butteraugliAvailable() && settings->value(kButteraugliKey, choice.measures.butteraugli).toBool();
    choice.measures.ssimulacra2 = settings->value(kSsimulacra2Key, choice.measures.ssimulacra2).toBool();
    // An anchor remembered with the codec list was a codec name; the curve of that codec takes over.
    const QString anchor = settings->value(kAnchorKey, choice.anchor).toString();
    auto matching = std::find(choice.curves.begin(), choice.curves.end(), anchor);
    if (matching == choice.curves.end())
        matching = std::find_if(choice.curves.begin(), choice.curves.end(), [&](const QString& curve) {
            return curve.section(QLatin1Char(':'), 0, 0) == anchor;
        });
    if (matching != choice.curves.end()) choice.anchor = *matching;
    else if (!choice.curves.empty()) choice.anchor = choice.curves.front();
    return choice;
}

void rememberSweepChoice(const SweepChoice& choice) {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    settings->setValue(kCurvesKey, choice.curves);
    settings->setValue(kQualitiesKey, choice.qualities);
    settings->setValue(kBppTargetsKey, choice.bppTargets);
    settings->setValue(kBySizeKey, choice.bySize);
    settings->setValue(kMsSsimKey, choice.measures.msSsim);
    settings->setValue(kCiede2000Key, choice.measures.ciede2000);
    settings->setValue(kButteraugliKey, choice.measures.butteraugli);
    settings->setValue(kSsimulacra2Key, choice.measures.ssimulacra2);
    settings->setValue(kAnchorKey, choice.anchor);
}

}  // namespace brenlow
