#include "sectionlist.h"

#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QMouseEvent>

SectionList::SectionList(QWidget *parent)
    : QHeaderView(Qt::Vertical, parent)
{
    sections.setColumnCount(1);
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

void SectionList::appendSection(const QString &name, int channels)
{
    const int section = sections.rowCount();
    sections.insertRow(section);
    setSectionData(section, Qt::EditRole, name);
    setSectionData(section, ChannelCountRole, channels);
    setSectionData(section, SignalKeyRole, name);
    setSectionData(section, SignalLabelRole, name);
    setSectionData(section, Qt::FontRole, font());
    setSectionData(section, Qt::TextAlignmentRole, int(Qt::AlignTop));
}

void SectionList::clearSections()
{
    sections.removeRows(0, sections.rowCount());
    lastClickedSection = -1;
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

void SectionList::mousePressEvent(QMouseEvent *event)
{
    QHeaderView::mousePressEvent(event);
    if (viewport()->cursor().shape() == Qt::SplitVCursor)
        return;
    const int section = logicalIndexAt(event->pos());
    if (section >= 0)
        emit sectionClickedWith(section, event->button(), event->modifiers());
}
