#include "settingsdialog.h"
#include "ui_SettingsDialog.h"

#include "settingsstore.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

const QString PreviewFamily = QString::fromLatin1(VestraSettings::LabelFamily);
const QString PreviewSample = QStringLiteral("AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvXxYyZz");
using VestraSettings::MaxFontSize;
using VestraSettings::MaxTabSize;
using VestraSettings::MinFontSize;
using VestraSettings::MinTabSize;

// Programs carry an extension only where the system needs one to run them.
#ifdef Q_OS_WIN
const QString ExecutableFilter = QStringLiteral("Executable Files (*.exe)");
#else
const QString ExecutableFilter = QStringLiteral("All Files (*)");
#endif

void showPreview(QLineEdit *preview, int pointSize)
{
    preview->setFont(QFont(PreviewFamily, pointSize, -1, false));
    preview->setCursorPosition(0);
}

} // namespace

SettingsDialog::SettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::SettingsDialog)
{
    ui->setupUi(this);
    setWindowFlags((windowFlags() & ~Qt::WindowContextHelpButtonHint) | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());

    ui->spinEditorFntSize->setRange(MinFontSize, MaxFontSize);
    ui->spinConsoleFntSize->setRange(MinFontSize, MaxFontSize);
    ui->spinEditorTabSize->setRange(MinTabSize, MaxTabSize);

    ui->textConsoleExample->setText(PreviewSample);
    ui->textEditorExample->setText(PreviewSample);
    loadSettings();
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

void SettingsDialog::loadSettings()
{
    const VestraSettings::UserSettings values = VestraSettings::readUserSettings();
    ui->spinEditorFntSize->setValue(values.editorFontSize);
    ui->spinConsoleFntSize->setValue(values.consoleFontSize);
    ui->spinEditorTabSize->setValue(values.editorTabSize);
    ui->textMakePath->setText(values.makePath);
}

void SettingsDialog::saveSettings()
{
    VestraSettings::UserSettings values;
    values.editorFontSize = ui->spinEditorFntSize->value();
    values.consoleFontSize = ui->spinConsoleFntSize->value();
    values.editorTabSize = ui->spinEditorTabSize->value();
    values.makePath = ui->textMakePath->text();
    VestraSettings::writeUserSettings(values);
}

void SettingsDialog::writeDefaultSettings()
{
    VestraSettings::writeUserSettings(VestraSettings::UserSettings());
    loadSettings();
}

void SettingsDialog::on_spinEditorFntSize_valueChanged(int arg1)
{
    showPreview(ui->textEditorExample, arg1);
}

void SettingsDialog::on_spinConsoleFntSize_valueChanged(int arg1)
{
    showPreview(ui->textConsoleExample, arg1);
}

void SettingsDialog::on_buttonBox_accepted()
{
    saveSettings();
}

void SettingsDialog::on_btnMakePathBrowse_clicked()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Select the make executable..."),
                                                      QString(), ExecutableFilter);
    // A cancelled choice keeps what the field held, instead of an empty path
    // that would be stored on OK.
    if (!path.isEmpty())
        ui->textMakePath->setText(path);
}

void SettingsDialog::on_btnResetSettings_clicked()
{
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setText(QStringLiteral("Reset settings"));
    box.setInformativeText(QStringLiteral("Are you sure you want to reset all settings to default ?"));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        writeDefaultSettings();
}
