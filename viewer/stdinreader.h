#pragma once

#include <QThread>

#include <cstdio>

// Reads standard input on a thread of its own (a blocking read would stall
// the window) and hands whole lines to the GUI thread in chunks.
class StdinReader : public QThread
{
    Q_OBJECT

public:
    // Reads `source` (standard input unless a test gives another stream).
    explicit StdinReader(QObject *parent = nullptr, FILE *source = stdin);

signals:
    // Complete lines only: a record is never split between two chunks.
    void linesRead(const QString &lines);

protected:
    void run() override;

private:
    FILE *source = nullptr;
};
