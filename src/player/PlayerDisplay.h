#pragma once

#include <QString>

// The audio player's display arithmetic, in twips where the window lays out in twips.
namespace pelvanto::playerdisplay {

// Window heights.
constexpr int kHeightSmall = 230;
constexpr int kHeightNormal = 1725;
constexpr int kHeightUnfolded = 5640;
// The small-window button switches small and normal; the fold button normal and unfolded.
// Any other height stays.
int toggledSmall(int height);
int toggledFold(int height);

// "mm:ss" of a position in seconds, rounded to whole seconds (59.6 s reads "01:00").
QString positionText(double seconds);

// Position knob: its left edge on a track from 120 to 3660, dragged within 120 .. 3540.
constexpr int kKnobStart = 120;
constexpr int kKnobSpan = 3540;
constexpr int kKnobDragMax = 3540;
// Where the knob stands for a position; -1 when the duration is unknown.
int knobLeft(double position, double duration);
// The position a knob released at `left` seeks to.
double seekTarget(int left, double duration);

// A knob dragged by `mouseDeltaPixels` from where it stood at the press, within its limits.
int draggedLeft(int leftAtPress, int mouseDeltaPixels, double twipsPerPixel, int minLeft,
                int maxLeft);

// Balance knob: left edge within 900 .. 1740, centre 1320.
constexpr int kBalanceMin = 900;
constexpr int kBalanceMax = 1740;
constexpr int kBalanceCentre = 1320;
// The player's balance for a knob at `left`.
int balanceValue(int left);
// The title while the balance knob moves: "Left", "Center", "Right", or `shown` as it was.
QString balanceLabel(int left, const QString &shown);

// Volume ramp: each tick of a held button.
constexpr int kVolumeStep = 130;
int rampedVolume(int volume, bool up);
// Segments of the six-segment level indicator lit for a volume; `shown` below the scale.
int volumeSegments(int volume, int shown);

// The scrolling title's next left edge: 50 twips on, back to the right edge once it has gone.
int scrolledTitleLeft(int left, int titleWidth, int displayWidth);

// The window's caption: the title follows it while the window is minimised.
QString caption(bool minimised, const QString &title);

} // namespace pelvanto::playerdisplay
