#pragma once

#include <QMessageBox>

// Leaving text that holds unsaved edits: opening another file, closing the
// window, building. The user is asked, and the answer is carried out here;
// the window only says how to ask, save and re-read.
namespace UnsavedChanges {

class Document
{
public:
    virtual ~Document() = default;
    virtual bool isModified() const = 0;
    // Shows the question; Save, Discard, or anything else for "stay".
    virtual QMessageBox::StandardButton ask() = 0;
    // True when the edits reached the disk.
    virtual bool save() = 0;
    // Re-reads the file from disk, dropping the edits.
    virtual void reload() = 0;
};

// Asks and carries out the answer: Save when the edits were written,
// Discard when they were dropped, Cancel when the text stays as it is (a
// save that failed included, so no caller throws the edits away).
QMessageBox::StandardButton askToSave(Document &document);

// True when the caller may go on: nothing was unsaved, or the answer
// settled it.
bool mayLeave(Document &document);

} // namespace UnsavedChanges
