#include "sectionlist.h"

#include <QFontDatabase>
#include <QSignalBlocker>
#include <QItemSelectionModel>
#include <QMouseEvent>

SectionList::SectionList(QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
{
    setModel(&sections);
    selection = new QItemSelectionModel(&sections, this);
    setSelectionModel(selection);
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(true);
    setBackgroundRole(QPalette::Base);
    setFocusPolicy(Qt::ClickFocus);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // A section is as high as its signal's rows, however low those are.
    setMinimumSectionSize(1);
}

void SectionList::setSectionData(int section, int role, const QVariant &value)
{
    sections.setHeaderData(section, Qt::Vertical, value, role);
}

void SectionList::appendSections(const QVector<QPair<QString, int>> &signalChannels)
{
    if (signalChannels.isEmpty())
        return;
    const int first = sections.rowCount();
    sections.insertRows(first, signalChannels.size());
    {
        const QSignalBlocker quiet(&sections);
        for (int i = 0; i < signalChannels.size(); ++i)
            fillSection(first + i, signalChannels[i].first, signalChannels[i].second);
    }
    emit sections.headerDataChanged(Qt::Vertical, first, first + signalChannels.size() - 1);
}

void SectionList::fillSection(int section, const QString &name, int channels)
{
    sections.fillRow(section, {{Qt::EditRole, name},
                               {ChannelCountRole, channels},
                               {SignalKeyRole, name},
                               {SignalLabelRole, name},
                               {Qt::FontRole, font()},
                               {Qt::TextAlignmentRole, int(Qt::AlignTop)}});
}

void SectionList::setSectionSizes(const QVector<int> &sizes)
{
    const int count = std::min(sizes.size(), sectionCountInModel());
    // The header sizes sections to their size hints all at once; the hints
    // stand only for that moment, since the header's width is measured from
    // the texts without them.
    const auto hint = [this, count, &sizes](bool on) {
        const QSignalBlocker quiet(&sections);
        for (int section = 0; section < count; ++section)
            sections.setHeaderData(section, Qt::Vertical, on ? QVariant(QSize(1, sizes[section])) : QVariant(),
                                   Qt::SizeHintRole);
    };
    hint(true);
    resizeSections(QHeaderView::ResizeToContents);
    hint(false);
    // Sizes from hints are at least the minimum; a signal whose rows are all
    // hidden takes no room at all.
    for (int section = 0; section < count; ++section) {
        if (sizes[section] == 0)
            resizeSection(section, 0);
    }
}

void SectionList::clearSections()
{
    sections.removeRows(0, sections.rowCount());
    clickedSection = -1;
}

bool SectionList::isSectionSelected(int section) const
{
    return selection->isRowSelected(section, QModelIndex());
}

void SectionList::setSectionSelected(int section, bool selected)
{
    selection->select(sections.index(section, 0),
                      (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect)
                          | QItemSelectionModel::Rows);
}

// The style paints a section's background into a picture of the section's
// size, and the section of a signal with thousands of channels is millions
// of pixels high: such a section is painted where it can be seen only, with
// its name at the top of what is seen.
void SectionList::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    constexpr int TallSection = 4096;
    if (rect.height() <= TallSection) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    const QRect seen = rect & visibleRegion().boundingRect();
    if (!seen.isEmpty())
        QHeaderView::paintSection(painter, seen, logicalIndex);
}

void SectionList::mousePressEvent(QMouseEvent *event)
{
    QHeaderView::mousePressEvent(event);
    if (viewport()->cursor().shape() == Qt::SplitVCursor)
        return;
    const int section = logicalIndexAt(event->pos());
    if (section >= 0)
        emit sectionClickedWith(section, event->button(), event->modifiers());
}
