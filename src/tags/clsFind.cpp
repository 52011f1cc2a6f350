#include "clsFind.h"

#include <QFile>
#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace pelvanto {

namespace {

struct Entry {
    QByteArray native;
    QString name;
    bool folder = false;
};

// Case-insensitive wildcard match; "*.*" matches every name, with or without a dot.
bool matches(const QString &pattern, const QString &name) {
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*"))
        return true;
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern.at(p) == QLatin1Char('*')) {
            star = p++;
            resume = n;
        } else if (p < pattern.size() &&
                   (pattern.at(p) == QLatin1Char('?') ||
                    pattern.at(p).toCaseFolded() == name.at(n).toCaseFolded())) {
            ++p;
            ++n;
        } else if (star >= 0) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern.at(p) == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// The entries of a folder in the order the file system gives them.
bool listFolder(const QByteArray &native, std::vector<Entry> &entries, dev_t &dev, ino_t &ino) {
    DIR *dir = ::opendir(native.constData());
    if (!dir)
        return false;
    struct stat self {};
    if (::fstat(::dirfd(dir), &self) == 0) {
        dev = self.st_dev;
        ino = self.st_ino;
    }
    while (const dirent *e = ::readdir(dir)) {
        const char *n = e->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        Entry entry;
        entry.native = QByteArray(n);
        entry.name = QFile::decodeName(entry.native);
        if (e->d_type == DT_DIR) {
            entry.folder = true;
        } else if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            // A link to a folder counts as a folder.
            struct stat st {};
            entry.folder = ::fstatat(::dirfd(dir), n, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return true;
}

} // namespace

const clsFile &clsFind::Item(int index) const {
    if (index < 1 || index > Count())
        throw std::out_of_range("clsFind::Item: no such entry");
    return files_[static_cast<size_t>(index - 1)];
}

void clsFind::Remove(int index) {
    if (index < 1 || index > Count())
        throw std::out_of_range("clsFind::Remove: no such entry");
    files_.erase(files_.begin() + (index - 1));
}

int clsFind::Find(const QString &folder, const QString &patterns, bool recursive) {
    QString path = folder;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    std::set<std::pair<dev_t, ino_t>> visited;
    findIn(path, patterns.split(QLatin1Char(';')), recursive, visited);
    return Count();
}

void clsFind::findIn(const QString &folder, const QStringList &patterns, bool recursive,
                     std::set<std::pair<dev_t, ino_t>> &visited) {
    std::vector<Entry> entries;
    dev_t dev = 0;
    ino_t ino = 0;
    if (!listFolder(QFile::encodeName(folder), entries, dev, ino))
        return;
    // Linked folders can lead back up the tree: each folder is searched once.
    if (!visited.insert({dev, ino}).second)
        return;
    if (recursive)
        for (const Entry &e : entries)
            if (e.folder)
                findIn(folder + e.name + QLatin1Char('/'), patterns, recursive, visited);
    // Files are looked up by name in the folder, not by their whole path.
    const int folderFd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return;
    for (const QString &pattern : patterns) {
        if (pattern.isEmpty())
            continue;
        for (const Entry &e : entries) {
            if (e.folder || !matches(pattern, e.name))
                continue;
            clsFile file;
            file.setSFilenameAt(folder + e.name, folderFd, e.native.constData());
            files_.push_back(std::move(file));
        }
    }
    ::close(folderFd);
}

} // namespace pelvanto
