#include "qsearchfield.h"

#include <QDebug>
#include <QKeyEvent>

QSearchField::QSearchField(QWidget *parent)
    : QLineEdit(parent)
{
}

QSearchField::~QSearchField() = default;

void QSearchField::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        emit requestPreviousSearch();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        emit requestClose();
        return;
    case Qt::Key_Enter:
        qDebug("HEY");
        emit requestSearch(text());
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}
