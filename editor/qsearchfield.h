#pragma once

#include <QLineEdit>

// The tool bar's search line. Escape asks its owner to hide it; the keypad
// Enter key asks for a search instead of passing on as returnPressed().
class QSearchField : public QLineEdit
{
    Q_OBJECT

public:
    explicit QSearchField(QWidget *parent = nullptr);
    ~QSearchField() override;

signals:
    void requestClose();
    void requestSearch(QString strToSearch);
    // Shift+Return or Shift+Enter: the match before the cursor.
    void requestPreviousSearch();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
