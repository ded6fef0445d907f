#include "app/sweep_choice.h"

#include <QSettings>
#include <QStringList>
#include <algorithm>

#include "app/workbench_settings.h"
#include "research/butteraugli.h"
#include "codecs/field_rules.h"
#include "research/codec_registry.h"
#include "research/quality_list.h"

namespace brenlow {
namespace {

const QString kCodecsKey = QStringLiteral("sweep/codecs");
const QString kQualitiesKey = QStringLiteral("sweep/qualities");
const QString kMsSsimKey = QStringLiteral("sweep/msSsim");
const QString kCiede2000Key = QStringLiteral("sweep/ciede2000");
const QString kButteraugliKey = QStringLiteral("sweep/butteraugli");
const QString kAnchorKey = QStringLiteral("sweep/anchor");

std::vector<StillCodec> codecsNamed(const QStringList& names) {
    std::vector<StillCodec> codecs;
    for (const QString& name : names)
        if (const auto codec = codecNamed(name.toStdString())) codecs.push_back(*codec);
    return codecs;
}

bool holds(const std::vector<StillCodec>& codecs, StillCodec codec) {
    return std::find(codecs.begin(), codecs.end(), codec) != codecs.end();
}

// The codec at the settings last chosen for it, named by those that differ from its defaults, so
// that a codec left at its defaults keeps its plain name.
CodecCurve rememberedCurve(StillCodec codec, const RunDefaults& defaults) {
    const CodecEntry& entry = codecEntryOf(codec);
    const CodecSettings remembered = rememberedCodecSettings(entry);
    std::string name = entry.name;
    for (const SettingDescription& setting : entry.settings) {
        const auto value = remembered.find(setting.key);
        if (value != remembered.end() && value->second != setting.defaultValue && !defaults.contains(setting.key))
            name += ":" + setting.key + "=" + value->second;
    }
    return curveNamed(name, defaults);
}

}  // namespace

std::vector<int> qualitiesOf(const SweepChoice& choice) {
    return parseQualities(QString(choice.qualities).remove(QLatin1Char(' ')).toStdString());
}

SweepSettings sweepSettingsOf(const SweepChoice& choice, long divisorCode, long focus) {
    SweepSettings settings;
    const RunDefaults defaults = runDefaultsOf(divisorCode, focus);
    settings.curves.clear();
    for (StillCodec codec : choice.codecs) settings.curves.push_back(rememberedCurve(codec, defaults));
    settings.qualities = qualitiesOf(choice);
    settings.measures = choice.measures;
    settings.divisor = divisorFor(divisorCode, Command::AvcStill);
    settings.passes = focusFor(focus);
    return settings;
}

std::string anchorCurveOf(const SweepChoice& choice, const SweepSettings& settings) {
    for (const CodecCurve& curve : settings.curves)
        if (curve.codec == choice.anchor) return curve.name;
    return codecName(choice.anchor);
}

SweepChoice recalledSweepChoice() {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    SweepChoice choice;
    if (settings->contains(kCodecsKey)) choice.codecs = codecsNamed(settings->value(kCodecsKey).toStringList());
    choice.qualities = settings->value(kQualitiesKey, choice.qualities).toString();
    choice.measures.msSsim = settings->value(kMsSsimKey, choice.measures.msSsim).toBool();
    choice.measures.ciede2000 = settings->value(kCiede2000Key, choice.measures.ciede2000).toBool();
    choice.measures.butteraugli =
        butteraugliAvailable() && settings->value(kButteraugliKey, choice.measures.butteraugli).toBool();
    const auto anchor = codecNamed(settings->value(kAnchorKey).toString().toStdString());
    if (anchor && holds(choice.codecs, *anchor)) choice.anchor = *anchor;
    else if (!holds(choice.codecs, choice.anchor) && !choice.codecs.empty()) choice.anchor = choice.codecs.front();
    return choice;
}

void rememberSweepChoice(const SweepChoice& choice) {
    const std::unique_ptr<QSettings> settings = openWorkbenchSettings();
    QStringList names;
    for (StillCodec codec : choice.codecs) names << QString::fromLatin1(codecName(codec));
    settings->setValue(kCodecsKey, names);
    settings->setValue(kQualitiesKey, choice.qualities);
    settings->setValue(kMsSsimKey, choice.measures.msSsim);
    settings->setValue(kCiede2000Key, choice.measures.ciede2000);
    settings->setValue(kButteraugliKey, choice.measures.butteraugli);
    settings->setValue(kAnchorKey, QString::fromLatin1(codecName(choice.anchor)));
}

}  // namespace brenlow
