#include "sensorviewx.h"

#include "datalist.h"
#include "graphview.h"
#include "sectionlist.h"
#include "signaldata.h"
#include "signallist.h"

#include <QGridLayout>
#include <QScrollBar>
#include <QSplitter>

namespace {
constexpr double ListShare = 0.25;
constexpr double GraphShare = 0.75;
}

SensorViewX::SensorViewX(SignalData *store)
    : QWidget(nullptr)
    , signalData(store)
{
    signalList = new SignalList;
    graph = new GraphView(signalList, store);

    // The list pane scrolls with the graph, and either bar moves the other.
    QScrollBar *listBar = signalList->verticalScrollBar();
    QScrollBar *graphBar = graph->verticalScrollBar();
    connect(listBar, &QScrollBar::valueChanged, this, [this, graphBar](int value) {
        graph->viewport()->update();
        graphBar->setValue(value);
    });
    connect(listBar, &QScrollBar::rangeChanged, this, [listBar, graphBar](int, int maximum) {
        graphBar->setMaximum(maximum);
        graphBar->setPageStep(listBar->pageStep());
        graphBar->setSingleStep(listBar->singleStep());
    });
    connect(graphBar, &QScrollBar::valueChanged, listBar, &QScrollBar::setValue);
    for (DataList *list : {signalList->valueList, signalList->labelList})
        connect(list, &QHeaderView::sectionMoved, graph->viewport(), qOverload<>(&QWidget::update));
    connect(signalList, &SignalList::selectionChanged, graph->viewport(), qOverload<>(&QWidget::update));
    connect(signalList, &SignalList::rowsMoved, graph->viewport(), qOverload<>(&QWidget::update));

    splitter = new QSplitter;
    splitter->addWidget(signalList);
    splitter->addWidget(graph);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    const int width = splitter->width();
    splitter->setSizes({int(ListShare * width), int(GraphShare * width)});

    auto *layout = new QGridLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    setFocusPolicy(Qt::StrongFocus);
    for (QWidget *widget : {static_cast<QWidget *>(this), static_cast<QWidget *>(signalList),
                            static_cast<QWidget *>(signalList->valueList),
                            static_cast<QWidget *>(signalList->sectionList)})
        widget->setFocusProxy(graph);

    signalList->syncWithData(*store);
    graph->jump(0, false);
    setLayout(layout);
}

SensorViewX::~SensorViewX() = default;
