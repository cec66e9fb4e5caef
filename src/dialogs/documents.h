#pragma once

// The four text documents kept in the folder "licenses" beside the executable, and how they are read for display.

#include <QString>
#include <QtGlobal>

namespace dialogs {

enum class Document { TermsOfUse, OpenSourceNotice, QtLibraryInfo, LgplText };

// The path of the document relative to the executable's directory, beginning with "/licenses/".
QString documentSuffix(Document document);

// The document found beside the executable or in ../share/orvane/ (bundle::findBundledFile), so it is found from any
// working directory; where neither holds it, the executable's directory followed by the document's suffix.
QString documentPath(Document document);

// A document is shown up to this many bytes; anything larger is cut there with a note, so a huge or wrong file cannot
// freeze the program.
inline constexpr qint64 MaxDocumentBytes = 4 * 1024 * 1024;

struct DocumentText {
    QString text;           // the text with every line end turned into "\n"
    bool truncated = false; // the file was longer than the limit
};

// Reads a document as UTF-8 text. A missing or unreadable file, or anything that is not a regular file, gives the empty
// text and no message; invalid bytes become U+FFFD; a leading byte-order mark is dropped. At most maxBytes bytes are
// read, and a cut never splits a character.
DocumentText readDocumentText(const QString& path, qint64 maxBytes = MaxDocumentBytes);

} // namespace dialogs
