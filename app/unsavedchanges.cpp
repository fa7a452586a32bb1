#include "unsavedchanges.h"

namespace UnsavedChanges {

QMessageBox::StandardButton askToSave(Document &document)
{
    switch (document.ask()) {
    case QMessageBox::Save:
        return document.save() ? QMessageBox::Save : QMessageBox::Cancel;
    case QMessageBox::Discard:
        document.reload();
        return QMessageBox::Discard;
    default:
        return QMessageBox::Cancel;
    }
}

bool mayLeave(Document &document)
{
    return !document.isModified() || askToSave(document) != QMessageBox::Cancel;
}

} // namespace UnsavedChanges
