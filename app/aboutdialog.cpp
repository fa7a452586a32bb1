#include "aboutdialog.h"
#include "version.h"
#include "ui_AboutDialog.h"

#include "resources.h"

#include <QPropertyAnimation>

namespace {
constexpr int DialogWidth = 400;
constexpr int DialogHeight = 310;
constexpr int InfoFontPointSize = 11;
constexpr int SplashInfoX = 80;
constexpr int SplashInfoY = 230;
constexpr int FadeDurationMs = 1700;
const QString VersionString = QStringLiteral(VESTRA_VERSION);
}

AboutDialog::AboutDialog(bool splash, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AboutDialog)
    , isSplash(splash)
{
    initVestraResources();
    ui->setupUi(this);
    setFixedSize(DialogWidth, DialogHeight);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    ui->lblnfo->setText(informationText());
    ui->lblnfo->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont infoFont = ui->lblnfo->font();
    infoFont.setPointSize(InfoFontPointSize);
    ui->lblnfo->setFont(infoFont);

    if (isSplash) {
        setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint);
        ui->btnClose->hide();
        ui->lblnfo->move(SplashInfoX, SplashInfoY);
        setWindowTitle(QString());
    } else {
        setWindowTitle(QStringLiteral("About VESTRA Code Editor"));
    }
}

AboutDialog::~AboutDialog()
{
    delete ui;
}

QString AboutDialog::informationText()
{
    return QStringLiteral("VESTRA Code Editor V%0").arg(VersionString)
           + QStringLiteral("\n\u00a9 2026 Tarnwell Quorimat");
}

int AboutDialog::exec()
{
    if (isSplash) {
        setWindowOpacity(0.0);
        auto *fade = new QPropertyAnimation(this, "windowOpacity");
        fade->setDuration(FadeDurationMs);
        fade->setEasingCurve(QEasingCurve::OutCubic);
        fade->setStartValue(0.0);
        fade->setEndValue(1.0);
        connect(fade, &QPropertyAnimation::finished, this, &AboutDialog::animationFinished);
        fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    return QDialog::exec();
}

void AboutDialog::on_btnClose_clicked()
{
    close();
}

void AboutDialog::animationFinished()
{
    accept();
}
