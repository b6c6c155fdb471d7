#include "common/dialogs.h"

#include <QFileDialog>
#include <QLineEdit>

namespace test {

bool acceptFileDialog(QWidget* widget, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(widget);
    if (!dialog)
        return false;
    // selectFile() leaves the name field alone while it has the focus, and the
    // dialog then accepts nothing; the typed name is what a user would give.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
    return !dialog->isVisible();
}

} // namespace test
