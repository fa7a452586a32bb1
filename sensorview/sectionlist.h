#pragma once

#include <QHeaderView>

#include "headermodel.h"

class QItemSelectionModel;

// The signal column of the list pane: a vertical header used as a list, one
// movable section per signal, as high as the signal's channel rows.
class SectionList : public QHeaderView
{
    Q_OBJECT

public:
    enum Role {
        ChannelCountRole = Qt::UserRole,
        SignalKeyRole,
        SignalLabelRole,
    };

    explicit SectionList(QWidget *parent = nullptr);

    int sectionCountInModel() const { return sections.rowCount(); }
    QVariant sectionData(int section, int role) const
    {
        return sections.headerData(section, Qt::Vertical, role);
    }
    void setSectionData(int section, int role, const QVariant &value);
    // Appends a section for each signal with its channel count, in one update.
    void appendSections(const QVector<QPair<QString, int>> &signalChannels);
    void clearSections();
    // Gives every section its size from `sizes` (by logical index) in one
    // pass: resizing them one by one costs a pass over all sections each.
    void setSectionSizes(const QVector<int> &sizes);
    bool isSectionSelected(int section) const;
    void setSectionSelected(int section, bool selected);

    // Where a Shift+click extends the selection from; -1 for nowhere.
    int lastClickedSection() const { return clickedSection; }
    void setLastClickedSection(int section) { clickedSection = section; }

signals:
    void sectionClickedWith(int section, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    void fillSection(int section, const QString &name, int channels);

    HeaderModel sections;
    QItemSelectionModel *selection = nullptr;
    int clickedSection = -1;
};
