#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// The version box. With `splash` set it is the start-up splash instead: it
// fades in without a frame, stays on top and accepts itself once opaque.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(bool splash, QWidget *parent = nullptr);
    ~AboutDialog() override;

    static QString informationText();

public slots:
    int exec() override;

private slots:
    void on_btnClose_clicked();
    void animationFinished();

private:
    Ui::AboutDialog *ui = nullptr;
    bool isSplash = false;
};
