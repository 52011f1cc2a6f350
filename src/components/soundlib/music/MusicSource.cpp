#include "soundlib/music/MusicSource.h"

#include "soundlib/music/MidiFile.h"
#include "soundlib/music/MidiSource.h"
#include "soundlib/music/ModuleSource.h"

#include <QFile>
#include <QFileInfo>

namespace pelvanto::sound {

std::unique_ptr<MusicSource> MusicModule::open(const QString &path, int sampleRate,
                                               MusicOpenError *error) {
    auto fail = [error](MusicOpenError reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    // Only regular files: reading a FIFO or a device could block for ever.
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return fail(MusicOpenError::FileNotFound);
    if (info.size() > kMaxFileSize)
        return fail(MusicOpenError::LoadFailed);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(MusicOpenError::LoadFailed);
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (data.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return fail(MusicOpenError::LoadFailed);
    return openData(data, sampleRate, error);
}

std::unique_ptr<MusicSource> MusicModule::openData(const QByteArray &data, int sampleRate,
                                                   MusicOpenError *error) {
    if (sampleRate < 8000 || sampleRate > 192000) {
        if (error)
            *error = MusicOpenError::LoadFailed;
        return nullptr;
    }
    if (MidiFile::looksLikeMidi(data))
        return MidiSource::open(data, sampleRate, error);
    return ModuleSource::open(data, sampleRate, error);
}

} // namespace pelvanto::sound
