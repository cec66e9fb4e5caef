#include "regularfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace model {

#ifdef Q_OS_UNIX

namespace {

// Reads until the end, or until one byte past the bound tells that the file grew beyond it since it was measured.
FileReadError readAll(int fd, qint64 expected, qint64 maxBytes, QByteArray* out)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(std::min(expected, maxBytes) + 1));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return FileReadError::CannotOpen;
        if (got == 0)
            break;
        bytes.append(chunk, qsizetype(got));
        if (bytes.size() > maxBytes)
            return FileReadError::TooLarge;
    }
    if (out)
        *out = std::move(bytes);
    return FileReadError::None;
}

} // namespace

FileReadError readRegularFile(const QString& path, qint64 maxBytes, QByteArray* out)
{
    const QByteArray name = QFile::encodeName(path);
    // A socket cannot be opened at all; stat tells it apart from a file that is missing.
    struct stat info {};
    if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
        return FileReadError::NotRegular;
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return FileReadError::CannotOpen;
    // The name may have been replaced since the stat: what counts is what was opened.
    FileReadError result = FileReadError::None;
    if (::fstat(fd, &info) != 0)
        result = FileReadError::CannotOpen;
    else if (!S_ISREG(info.st_mode))
        result = FileReadError::NotRegular;
    else if (info.st_size > maxBytes)
        result = FileReadError::TooLarge;
    else
        result = readAll(fd, info.st_size, maxBytes, out);
    ::close(fd);
    return result;
}

#else

FileReadError readRegularFile(const QString& path, qint64 maxBytes, QByteArray* out)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return FileReadError::NotRegular;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileReadError::CannotOpen;
    if (file.size() > maxBytes)
        return FileReadError::TooLarge;
    QByteArray bytes = file.read(maxBytes + 1);
    if (bytes.size() > maxBytes)
        return FileReadError::TooLarge;
    if (out)
        *out = std::move(bytes);
    return FileReadError::None;
}

#endif

} // namespace model
