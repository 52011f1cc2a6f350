#pragma once

#include <QObject>
#include <QVector>

namespace pelvanto {

class SampleTools : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Interleaved stereo to mono, each frame the rounded mean of its two samples. A trailing
    // odd element (no complete frame) is dropped.
    static QVector<qint16> MakeMonoFromStereo(const QVector<qint16> &stereo);
};

} // namespace pelvanto
