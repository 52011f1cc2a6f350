// The plain TagLib reader: walks a folder tree, reads the ID3v1 tag and the
// twelve ID3v2 fields of every MP3 file, prints the elapsed and the CPU
// milliseconds, the number of files and a checksum of the text read.
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
    timespec cpu0{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu0);
    static const char *const ids[] = {"TRCK", "TIT2", "TPE1", "TALB", "TDRC", "TCON",
                                      "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};
    unsigned long files = 0;
    unsigned long chars = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(argv[1])) {
        if (!entry.is_regular_file() || entry.path().extension() != ".mp3")
            continue;
        ++files;
        TagLib::MPEG::File file(entry.path().c_str(), false);
        if (const auto *v1 = file.ID3v1Tag())
            chars += v1->title().size() + v1->artist().size() + v1->album().size() +
                     v1->comment().size() + v1->track() + v1->genre().size();
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
    timespec cpu1{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu1);
    const double cpuMs =
        double(cpu1.tv_sec - cpu0.tv_sec) * 1e3 + double(cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    std::printf("%.3f %lu %lu %.3f\n", ms, files, chars, cpuMs);
    return 0;
}
