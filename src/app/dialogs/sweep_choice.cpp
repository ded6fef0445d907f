#include "app/dialogs/sweep_choice.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <string_view>

#include "app/shell/workbench_settings.h"
#include "brenlow/codec.h"
#include "brenlow/measures.h"
#include "brenlow/tables.h"
#include "codecs/field_rules.h"
#include "io/error.h"

namespace brenlow {
namespace {

const QString kCurvesKey = QStringLiteral("sweep/curves");
const QString kCodecsKey = QStringLiteral("sweep/codecs");  // before curves: one name per codec checked
const QString kQualitiesKey = QStringLiteral("sweep/qualities");
const QString kBppTargetsKey = QStringLiteral("sweep/bppTargets");
const QString kBySizeKey = QStringLiteral("sweep/bySize");
const QString kAnchorKey = QStringLiteral("sweep/anchor");

// "MsSsim" for "ms_ssim".
QString capitalisedWords(const char* name) {
    QString joined;
    bool wordStarts = true;
    for (const char c : std::string_view(name)) {
        if (c == '_') {
            wordStarts = true;
            continue;
        }
        joined += wordStarts ? QChar::fromLatin1(c).toUpper() : QChar::fromLatin1(c);
        wordStarts = false;
    }
    return joined;
}

// "sweep/msSsim" for "ms_ssim": the key each optional measure has always been remembered under.
QString measureKey(const OptionalMeasure& measure) {
    QString words = capitalisedWords(measure.name);
    words[0] = words[0].toLower();
    return QStringLiteral("sweep/") + words;
}

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

QString measureBoxName(const OptionalMeasure& measure) {
    return QStringLiteral("Sweep") + capitalisedWords(measure.name);
}

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

SweepRequest sweepRequestOf(const SweepChoice& choice, long divisorCode, long focus) {
    SweepRequest request;
    request.curves.clear();
    for (const QString& curve : choice.curves) request.curves.push_back(curve.trimmed().toStdString());
    request.qualities = qualitiesOf(choice);
    if (choice.bySize) request.bppTargets = bppTargetsOf(choice);
    request.measures = choice.measures;
    request.divisorCode = static_cast<int>(divisorCode);
    request.focus = static_cast<int>(focus);
    // An anchor left over from curves since unticked gives way to the rule every front end follows.
    const std::string anchor = choice.anchor.trimmed().toStdString();
    if (curveMatching(anchor, curvesNamed(request.curves, runDefaultsOf(request)), runDefaultsOf(request)))
        request.anchor = anchor;
    return request;
}

SweepChoice recalledSweepChoice() {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    SweepChoice choice;
    choice.curves = recalledCurves(*settings, choice.curves);
    choice.qualities = settings->value(kQualitiesKey, choice.qualities).toString();
    choice.bppTargets = settings->value(kBppTargetsKey, choice.bppTargets).toString();
    choice.bySize = settings->value(kBySizeKey, choice.bySize).toBool();
    for (const OptionalMeasure& measure : optionalMeasures())
        choice.measures.take(measure.name, measure.availableHere() &&
                                               settings->value(measureKey(measure), choice.measures.takes(measure.name))
                                                   .toBool());
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
    for (const OptionalMeasure& measure : optionalMeasures())
        settings->setValue(measureKey(measure), choice.measures.takes(measure.name));
    settings->setValue(kAnchorKey, choice.anchor);
}

}  // namespace brenlow
