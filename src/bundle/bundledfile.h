#pragma once

// Where the program finds the files that come with it (the documents in licenses/, the images in image/): beside the
// executable, as in a build folder or an unpacked Windows folder, or else in ../share/orvane/, as in an installed
// /usr tree where the executable is bin/orvane.

#include <QString>
#include <QStringList>

namespace bundle {

// The folders searched, in order, for a program whose executable lies in programDir.
QStringList bundleDirs(const QString& programDir);

// The first existing regular file at relativePath (such as "licenses/利用規約.txt") in bundleDirs(programDir);
// empty when there is none.
QString findBundledFile(const QString& relativePath, const QString& programDir);

// The same for the running program (QCoreApplication::applicationDirPath); empty before the application object exists.
QString findBundledFile(const QString& relativePath);

} // namespace bundle
