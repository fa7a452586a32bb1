#pragma once

#include <QWidget>

#include <memory>

class GraphView;
class QSplitter;
class SignalData;
class SignalList;

// The sensor view: the list pane and the graph side by side over one store
// of records, which the view owns.
class SensorViewX : public QWidget
{
public:
    explicit SensorViewX(SignalData *store);
    ~SensorViewX() override;

    SignalList *signalList = nullptr;
    GraphView *graph = nullptr;
    QSplitter *splitter = nullptr;
    std::unique_ptr<SignalData> signalData;
};
