#include "aboutdialog.h"
#include "testsupport.h"

#include <QLabel>
#include <QPushButton>

class tst_AboutDialog : public QObject
{
    Q_OBJECT

private slots:
    // The splash is a frameless picture on top of everything that closes
    // itself after its fade; the about box a titled dialog with a close
    // button. Both show their picture in the 8:5 shape of its label.
    void splashAndAboutBox()
    {
        AboutDialog about(false, nullptr);
        QCOMPARE(about.windowTitle(), QStringLiteral("About VESTRA Code Editor"));
        const QPixmap picture = about.findChild<QLabel *>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue);
        QVERIFY(!picture.isNull() && picture.width() * 5 == picture.height() * 8);
        QTimer::singleShot(0, &about, [&about]() { about.findChild<QPushButton *>(QStringLiteral("btnClose"))->click(); });
        QCOMPARE(about.exec(), int(QDialog::Rejected));

        AboutDialog splash(true, nullptr);
        QCOMPARE(splash.windowFlags() & (Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
                 Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, &splash, [&splash]() {
            QVERIFY(!splash.findChild<QPushButton *>(QStringLiteral("btnClose"))->isVisible());
        });
        QCOMPARE(splash.exec(), int(QDialog::Accepted));
        QVERIFY2(clock.elapsed() >= 1600, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(splash.windowOpacity(), 1.0);
    }
};

QTEST_MAIN(tst_AboutDialog)
#include "tst_aboutdialog.moc"
