// The plain TagLib reader: lists the MP3 files of one folder and reads what a tag editor's row
// shows: the ID3v1 fields, the twelve ID3v2 fields, the size and the modification time. Prints
// the elapsed milliseconds, the number of files and a checksum of what was read.
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tstring.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

int main(int argc, char **argv) {
    if (argc < 2)
        return 2;
    const auto start = std::chrono::steady_clock::now();
    static const char *const ids[] = {"TRCK", "TIT2", "TPE1", "TALB", "TDRC", "TCON",
                                      "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};
    unsigned long files = 0;
    unsigned long chars = 0;
    for (const auto &entry : std::filesystem::directory_iterator(argv[1])) {
        if (!entry.is_regular_file() || entry.path().extension() != ".mp3")
            continue;
        ++files;
        chars += static_cast<unsigned long>(entry.file_size() / 1024);
        const auto written = entry.last_write_time().time_since_epoch().count();
        chars += static_cast<unsigned long>(written & 1);
        TagLib::MPEG::File file(entry.path().c_str(), false);
        if (const auto *v1 = file.ID3v1Tag())
            chars += v1->title().size() + v1->artist().size() + v1->album().size() +
                     v1->comment().size() + v1->track() + v1->genre().size() + v1->year();
        if (const auto *v2 = file.ID3v2Tag()) {
            const auto &map = v2->frameListMap();
            for (const char *id : ids) {
                const auto it = map.find(id);
                if (it != map.end() && !it->second.isEmpty())
                    chars += it->second.front()->toString().size();
            }
        }
    }
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %lu %lu\n", ms, files, chars);
    return 0;
}
