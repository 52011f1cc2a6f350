#include "capture/SampleTools.h"

namespace pelvanto {

QVector<qint16> SampleTools::MakeMonoFromStereo(const QVector<qint16> &stereo) {
    QVector<qint16> mono(stereo.size() / 2);
    const qint16 *in = stereo.constData();
    qint16 *out = mono.data();
    const qsizetype count = mono.size();
    for (qsizetype i = 0; i < count; ++i) {
        const int sum = in[2 * i] + in[2 * i + 1];
        // Halve rounding half away from zero, so that the mix is symmetric around 0.
        out[i] = static_cast<qint16>((sum + (sum >= 0 ? 1 : -1)) / 2);
    }
    return mono;
}

} // namespace pelvanto
