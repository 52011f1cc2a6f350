#pragma once

#include <QString>

namespace pelvanto {

class AudioRecord;

// Section "other": the input filters and the automatic gain control. Values are kept as text,
// as the recording options window shows and stores them; a number outside the range the window
// offers is brought into it, so that what is stored is what is applied, now and at the next
// start.
struct FilterSettings {
    struct Range {
        int minimum;
        int maximum;
    };
    static constexpr Range kNotchRange{40, 200};
    static constexpr Range kPassRange{100, 44100}; // high-pass and low-pass
    static constexpr Range kLevelRange{-90, 0};    // gain control low and high level
    static constexpr Range kAttackRange{50, 200};

    struct Filter {
        bool enabled = true;
        QString frequency; // Hz

        bool operator==(const Filter &) const = default;
    };
    Filter notch;
    Filter highPass;
    Filter lowPass;
    bool autoGain = true;
    QString lowLevel;
    QString highLevel;
    QString attackTime;

    // A switch counts as on when it equals 1 or is not a number at all, absent included.
    static FilterSettings read(const QString &settingsFile);
    // Writes the ten keys (numbers brought into range); returns whether all reached the disk.
    bool write(const QString &settingsFile) const;
    // Switches each filter and the gain control; a value that is not a number is not applied.
    void applyTo(AudioRecord &record) const;

    // A copy with every number brought into its range.
    FilterSettings withinRanges() const;
    // The text of a number outside the range replaced by the nearest bound; any other text
    // (a number within it, a word, nothing) unchanged.
    static QString withinRange(const QString &text, Range range);

    bool operator==(const FilterSettings &) const = default;
};

} // namespace pelvanto
