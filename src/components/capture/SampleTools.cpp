#include "capture/SampleTools.h"

namespace pelvanto {

QVector<qint16> SampleTools::MakeMonoFromStereo(const QVector<qint16> &stereo) {
    QVector<qint16> mono(stereo.size() / 2);
    for (qsizetype i = 0; i < mono.size(); ++i) {
        const int sum = stereo[2 * i] + stereo[2 * i + 1];
        // Halve rounding half away from zero, so that the mix is symmetric around 0.
        mono[i] = static_cast<qint16>(sum >= 0 ? (sum + 1) / 2 : (sum - 1) / 2);
    }
    return mono;
}

} // namespace pelvanto
