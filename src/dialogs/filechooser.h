#pragma once

// Asks the user for the name of a project file to save or to open. The file dialogs give the answer unless `answer`
// is set: a caller that answers without a dialog (a scripted session, a test) sets it on the chooser the main window
// holds, which it finds by type.

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace dialogs {

class FileChooser final : public QObject {
    Q_OBJECT

public:
    // The dialog's parent is the chooser's parent.
    explicit FileChooser(QWidget* parent);

    // Empty when cancelled.
    QString saveFileName(const QString& caption, const QString& startPath, const QString& filter) const;
    QString openFileName(const QString& caption, const QString& startPath, const QString& filter) const;

    // Given the caption and the start path; used instead of the dialogs when set.
    std::function<QString(const QString& caption, const QString& startPath)> answer;

private:
    QWidget* dialogParent;
};

} // namespace dialogs
