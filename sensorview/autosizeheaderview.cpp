#include "autosizeheaderview.h"

#include <QResizeEvent>

#include <cmath>

bool AutoSizeHeaderView::roundDown = true;

AutoSizeHeaderView::AutoSizeHeaderView(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
}

void AutoSizeHeaderView::resizeEvent(QResizeEvent *event)
{
    const int oldWidth = event->oldSize().width();
    const int newWidth = event->size().width();
    const int oldSection = sectionSize(0);
    QHeaderView::resizeEvent(event);
    if (oldWidth <= 0 || count() == 0)
        return;
    const double share = double(oldSection) * newWidth / oldWidth;
    resizeSection(0, int(roundDown ? std::floor(share) : std::ceil(share)));
    roundDown = !roundDown;
}
