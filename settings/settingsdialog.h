#pragma once

#include <QDialog>

namespace Ui {
class SettingsDialog;
}

// Edits the four user settings: the editor and console font sizes with a
// live sample of each, the editor's tab width and the make utility.
class SettingsDialog : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsDialog(QWidget *parent = nullptr);
    ~SettingsDialog() override;

    void loadSettings();
    void saveSettings();
    void writeDefaultSettings();

private slots:
    void on_spinEditorFntSize_valueChanged(int arg1);
    void on_spinConsoleFntSize_valueChanged(int arg1);
    void on_buttonBox_accepted();
    void on_btnMakePathBrowse_clicked();
    void on_btnResetSettings_clicked();

private:
    Ui::SettingsDialog *ui = nullptr;
};
