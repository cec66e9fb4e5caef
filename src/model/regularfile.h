#pragma once

// Reading a file named from outside the program (a project, the configuration): only a regular file, and only up to
// a bound. The open never blocks: a FIFO would wait for a writer that never comes, out of reach of Ctrl+C, and a
// device such as /dev/zero would never end.

#include <QByteArray>
#include <QString>

namespace model {

enum class FileReadError {
    None,
    CannotOpen, // missing, no permission, or a read that failed
    NotRegular, // a folder, FIFO, device or socket
    TooLarge,   // more than maxBytes
};

// Reads the whole file into out (left alone on failure). Never blocks on anything but the disk.
FileReadError readRegularFile(const QString& path, qint64 maxBytes, QByteArray* out);

} // namespace model
