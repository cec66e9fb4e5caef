#include "filechooser.h"

#include <QFileDialog>

namespace dialogs {

FileChooser::FileChooser(QWidget* parent) : QObject(parent), dialogParent(parent) {}

QString FileChooser::saveFileName(const QString& caption, const QString& startPath, const QString& filter) const
{
    return answer ? answer(caption, startPath) : QFileDialog::getSaveFileName(dialogParent, caption, startPath, filter);
}

QString FileChooser::openFileName(const QString& caption, const QString& startPath, const QString& filter) const
{
    return answer ? answer(caption, startPath) : QFileDialog::getOpenFileName(dialogParent, caption, startPath, filter);
}

} // namespace dialogs
