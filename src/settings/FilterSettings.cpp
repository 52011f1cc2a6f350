#include "FilterSettings.h"

#include "IniSection.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "capture/AudioRecord.h"

#include <algorithm>

namespace pelvanto {

namespace {

namespace sv = settingsvalue;

IniSection section(const QString &settingsFile) {
    return {settingsFile, keys::section::Other};
}

void applyFilter(AudioRecord &record, const FilterSettings::Filter &filter,
                 void (AudioRecord::*enable)(bool), void (AudioRecord::*setFrequency)(float)) {
    (record.*enable)(filter.enabled);
    if (!filter.enabled)
        return;
    if (const auto hz = sv::toSingle(filter.frequency))
        (record.*setFrequency)(*hz);
}

void applyLevel(AudioRecord &record, const QString &text, void (AudioRecord::*set)(qint32)) {
    if (const auto v = sv::toInt32(text))
        (record.*set)(*v);
}

} // namespace

FilterSettings FilterSettings::read(const QString &settingsFile) {
    const IniSection other = section(settingsFile);
    FilterSettings s;
    s.notch = {sv::flagIsOn(other.text(keys::Notch)), other.text(keys::NotchText)};
    s.highPass = {sv::flagIsOn(other.text(keys::HighPass)), other.text(keys::HighPassText)};
    s.lowPass = {sv::flagIsOn(other.text(keys::LowPass)), other.text(keys::LowPassText)};
    s.autoGain = sv::flagIsOn(other.text(keys::AutoGain));
    s.lowLevel = other.text(keys::LowLevel);
    s.highLevel = other.text(keys::HighLevel);
    s.attackTime = other.text(keys::AttackTime);
    return s.withinRanges();
}

bool FilterSettings::write(const QString &settingsFile) const {
    const FilterSettings s = withinRanges();
    const IniSection other = section(settingsFile);
    bool ok = other.writeFlag(keys::Notch, s.notch.enabled);
    ok = other.write(keys::NotchText, s.notch.frequency) && ok;
    ok = other.writeFlag(keys::HighPass, s.highPass.enabled) && ok;
    ok = other.write(keys::HighPassText, s.highPass.frequency) && ok;
    ok = other.writeFlag(keys::LowPass, s.lowPass.enabled) && ok;
    ok = other.write(keys::LowPassText, s.lowPass.frequency) && ok;
    ok = other.writeFlag(keys::AutoGain, s.autoGain) && ok;
    ok = other.write(keys::LowLevel, s.lowLevel) && ok;
    ok = other.write(keys::HighLevel, s.highLevel) && ok;
    ok = other.write(keys::AttackTime, s.attackTime) && ok;
    return ok;
}

void FilterSettings::applyTo(AudioRecord &record) const {
    const FilterSettings s = withinRanges();
    applyFilter(record, s.notch, &AudioRecord::SetNotchEnabled, &AudioRecord::SetNotchFrequency);
    applyFilter(record, s.highPass, &AudioRecord::SetHighPassEnabled,
                &AudioRecord::SetHighPassFrequency);
    applyFilter(record, s.lowPass, &AudioRecord::SetLowPassEnabled,
                &AudioRecord::SetLowPassFrequency);
    record.SetAutoGainEnabled(s.autoGain);
    if (!s.autoGain)
        return;
    applyLevel(record, s.highLevel, &AudioRecord::SetAutoGainHighLevel);
    applyLevel(record, s.lowLevel, &AudioRecord::SetAutoGainLowLevel);
    applyLevel(record, s.attackTime, &AudioRecord::SetAutoGainAttackTime);
}

FilterSettings FilterSettings::withinRanges() const {
    FilterSettings s = *this;
    s.notch.frequency = withinRange(notch.frequency, kNotchRange);
    s.highPass.frequency = withinRange(highPass.frequency, kPassRange);
    s.lowPass.frequency = withinRange(lowPass.frequency, kPassRange);
    s.lowLevel = withinRange(lowLevel, kLevelRange);
    s.highLevel = withinRange(highLevel, kLevelRange);
    s.attackTime = withinRange(attackTime, kAttackRange);
    return s;
}

QString FilterSettings::withinRange(const QString &text, Range range) {
    const auto number = sv::asNumber(text);
    if (!number || (*number >= range.minimum && *number <= range.maximum))
        return text;
    return QString::number(*number < range.minimum ? range.minimum : range.maximum);
}

} // namespace pelvanto
