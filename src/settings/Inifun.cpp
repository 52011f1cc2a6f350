#include "Inifun.h"

#include "platform/ProgramFolder.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#include <optional>

namespace pelvanto::Inifun {

namespace {

constexpr int kReadBufferChars = 128; // one slot is the terminating NUL
constexpr int kWriteBufferChars = 128;
// A settings file is a few kilobytes; a larger one is not read whole.
constexpr qint64 kMaxFileBytes = qint64{16} * 1024 * 1024;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArray trimBlanks(const QByteArray &s) {
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QByteArray &a, const QString &b) {
    return QString::fromUtf8(a).compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// One line of the file, split into what a private-profile reader sees.
struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    QByteArray name;  // section or key name, trimmed
    QByteArray value; // key value, trimmed
};

Line parseLine(const QByteArray &raw) {
    Line line;
    const QByteArray text = trimBlanks(raw);
    if (text.isEmpty() || text.startsWith(';'))
        return line;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        line.kind = Line::Section;
        line.name = trimBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        return line;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return line;
    line.kind = Line::Key;
    line.name = trimBlanks(text.left(eq));
    line.value = trimBlanks(text.mid(eq + 1));
    // A value wrapped in one pair of quotes reads without them.
    if (line.value.size() >= 2 && ((line.value.front() == '"' && line.value.back() == '"') ||
                                   (line.value.front() == '\'' && line.value.back() == '\'')))
        line.value = line.value.mid(1, line.value.size() - 2);
    return line;
}

std::optional<QByteArray> readFile(const QString &file) {
    QFile f(file);
    if (!QFileInfo(file).isFile() || f.size() > kMaxFileBytes || !f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

// Some editors start a UTF-8 file with a byte-order mark; it is no part of the first line.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

QByteArray withoutByteOrderMark(const QByteArray &data) {
    return data.startsWith(kByteOrderMark) ? data.mid(3) : data;
}

// Lines with their line ends (CR LF, LF or a lone CR), so that a rewrite keeps every byte it
// does not change.
QList<QByteArray> splitKeepingEnds(const QByteArray &data) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c != '\r' && c != '\n')
            continue;
        if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
            ++i;
        lines.append(data.mid(start, i - start + 1));
        start = i + 1;
    }
    if (start < n)
        lines.append(data.mid(start));
    return lines;
}

// The line end the file already uses, for the lines a write adds.
QByteArray lineEndOf(const QList<QByteArray> &lines) {
    for (const QByteArray &line : lines) {
        if (line.endsWith("\r\n"))
            return "\r\n";
        if (line.endsWith('\n'))
            return "\n";
        if (line.endsWith('\r'))
            return "\r";
    }
    return "\r\n";
}

bool hasLineBreak(const QByteArray &s) {
    return s.contains('\r') || s.contains('\n');
}

QByteArray withoutEnd(const QByteArray &line) {
    QByteArray s = line;
    while (s.endsWith('\n') || s.endsWith('\r'))
        s.chop(1);
    return s;
}

} // namespace

QString ReadIni(const QString &file, const QString &section, const QString &key) {
    const auto data = readFile(file);
    if (!data)
        return {};
    bool inSection = false;
    bool sectionSeen = false;
    for (const QByteArray &raw : splitKeepingEnds(withoutByteOrderMark(*data))) {
        const Line line = parseLine(withoutEnd(raw));
        if (line.kind == Line::Section) {
            // Only the first section of a name counts, as with the system reader.
            if (inSection)
                break;
            inSection = !sectionSeen && sameName(line.name, section);
            sectionSeen = sectionSeen || inSection;
        } else if (inSection && line.kind == Line::Key && sameName(line.name, key)) {
            QByteArray value = line.value;
            const qsizetype nul = value.indexOf('\0');
            if (nul >= 0)
                value.truncate(nul);
            QString text = QString::fromUtf8(value).left(kReadBufferChars - 1);
            return text.trimmed();
        }
    }
    return {};
}

bool WriteIni(const QString &file, const QString &section, const QString &key,
              const QString &value) {
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty())
        return false;
    QString cut = value.left(kWriteBufferChars);
    const qsizetype nul = cut.indexOf(QChar(0));
    if (nul >= 0)
        cut.truncate(nul);
    const QByteArray newValue = cut.toUtf8();
    const QByteArray keyName = key.trimmed().toUtf8();
    // A line break would end the line early: the value would be cut and the rest read as
    // a line of its own, perhaps as another key.
    if (hasLineBreak(newValue) || hasLineBreak(keyName) || hasLineBreak(section.toUtf8()))
        return false;

    QByteArray data;
    if (QFileInfo::exists(file)) {
        // A read-only settings file stays as it is, as with the system writer.
        const auto perms = QFileInfo(file).permissions();
        if (!(perms & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther)) ||
            !QFileInfo(file).isWritable())
            return false;
        const auto existing = readFile(file);
        if (!existing)
            return false; // never replace a file we could not read
        data = *existing;
    }
    const QByteArray byteOrderMark = data.startsWith(kByteOrderMark) ? data.left(3) : QByteArray();
    QList<QByteArray> lines = splitKeepingEnds(data.mid(byteOrderMark.size()));
    const QByteArray lineEnd = lineEndOf(lines);

    qsizetype sectionLine = -1;
    qsizetype lastKeyLine = -1;
    qsizetype keyLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = parseLine(withoutEnd(lines[i]));
        if (line.kind == Line::Section) {
            if (sectionLine >= 0)
                break;
            if (sameName(line.name, section)) {
                sectionLine = i;
                lastKeyLine = i;
            }
        } else if (sectionLine >= 0 && line.kind == Line::Key) {
            lastKeyLine = i;
            if (sameName(line.name, key)) {
                keyLine = i;
                break;
            }
        }
    }

    auto ensureEnd = [&lines, &lineEnd](qsizetype i) {
        if (i >= 0 && i < lines.size() && !lines[i].endsWith('\n') && !lines[i].endsWith('\r'))
            lines[i].append(lineEnd);
    };
    if (keyLine >= 0) {
        const QByteArray old = lines[keyLine];
        const QByteArray end = old.mid(withoutEnd(old).size());
        const Line parsed = parseLine(withoutEnd(old));
        lines[keyLine] = parsed.name + '=' + newValue + end;
    } else if (sectionLine >= 0) {
        ensureEnd(lastKeyLine);
        lines.insert(lastKeyLine + 1, keyName + '=' + newValue + lineEnd);
    } else {
        ensureEnd(lines.size() - 1);
        lines.append('[' + section.trimmed().toUtf8() + ']' + lineEnd);
        lines.append(keyName + '=' + newValue + lineEnd);
    }

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(byteOrderMark);
    for (const QByteArray &line : std::as_const(lines))
        out.write(line);
    return out.commit();
}

QString unstorableReason(const QString &value) {
    const QString text = value.trimmed();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
        return QStringLiteral("it holds a line break");
    if (text.contains(QChar(0)))
        return QStringLiteral("it holds a NUL character");
    if (text.size() > kReadBufferChars - 1)
        return QStringLiteral("it has %1 characters, and at most %2 can be stored")
            .arg(text.size())
            .arg(kReadBufferChars - 1);
    return {};
}

QString settingsFile() {
    return programFile(QStringLiteral("settings.dat"));
}

} // namespace pelvanto::Inifun
