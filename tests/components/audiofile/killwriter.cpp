// Records a tone into the file named on the command line, one block per second of audio,
// printing the number of blocks written, until it is killed.
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    pelvanto::AudioFile file;
    if (argc > 2 && QByteArray(argv[2]) == "adpcm")
        file.SetAdpcmFormat(22050, 2);
    else
        file.SetPcmFormat(44100, 2, 16);
    file.SetG726Format(8000, 4);
    if (file.CreateWrite(QString::fromLocal8Bit(argv[1])) != 0)
        return 1;
    const int rate = file.SampleRate();
    const int channels = file.ChannelCount();
    const QVector<qint16> second = testsupport::sineTone(rate, channels, rate, 1000.0);
    for (int block = 1; block <= 600; ++block) {
        if (!file.WriteBlock(second))
            return 3;
        std::printf("%d\n", block);
        std::fflush(stdout);
    }
    file.CloseFile();
    return 0;
}
