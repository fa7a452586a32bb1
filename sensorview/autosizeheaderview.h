#pragma once

#include <QHeaderView>

// The list pane's header: when it is resized, its first section keeps its
// share of the width.
class AutoSizeHeaderView : public QHeaderView
{
public:
    explicit AutoSizeHeaderView(QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Rounds the new size down and up in turn, so that repeated resizes do
    // not drift one way. Shared by every header, as the toggle is global.
    static bool roundDown;
};
