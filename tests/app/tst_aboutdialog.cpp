#include "aboutdialog.h"
#include "testsupport.h"

#include <QLabel>
#include <QPushButton>

class tst_AboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void modes_data()
    {
        QTest::addColumn<bool>("splash");
        QTest::addColumn<QString>("title");
        QTest::newRow("splash") << true << QString();
        QTest::newRow("about box") << false << QStringLiteral("About VESTRA Code Editor");
    }

    // The splash is a frameless picture on top of everything, without the close
    // button; the about box a titled dialog with it. Both show their picture.
    void modes()
    {
        QFETCH(bool, splash);
        QFETCH(QString, title);
        AboutDialog dialog(splash, nullptr);
        QCOMPARE(dialog.windowTitle(), title);
        QCOMPARE(bool(dialog.windowFlags() & Qt::FramelessWindowHint), splash);
        QCOMPARE(bool(dialog.windowFlags() & Qt::WindowStaysOnTopHint), splash);
        auto *info = dialog.findChild<QLabel *>(QStringLiteral("lblnfo"));
        QVERIFY(info && info->text().startsWith(QStringLiteral("VESTRA Code Editor V1.1\n")));
        const QPixmap pixmap = dialog.findChild<QLabel *>(QStringLiteral("label"))->pixmap(Qt::ReturnByValue);
        QVERIFY(!pixmap.isNull());
        // The picture keeps the 8:5 shape of its label.
        QCOMPARE(pixmap.width() * 5, pixmap.height() * 8);

        dialog.show();
        auto *close = dialog.findChild<QPushButton *>(QStringLiteral("btnClose"));
        QCOMPARE(close->isVisible(), !splash);
        close->click();
        QVERIFY(!dialog.isVisible() && dialog.result() == QDialog::Rejected);
    }

    void splashClosesItselfAfterFade()
    {
        AboutDialog splash(true, nullptr);
        QElapsedTimer clock;
        clock.start();
        const int result = splash.exec();
        const qint64 elapsed = clock.elapsed();
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY2(elapsed >= 1600, qPrintable(QString::number(elapsed)));
        QVERIFY(!splash.isVisible());
        QCOMPARE(splash.windowOpacity(), 1.0);
    }
};

QTEST_MAIN(tst_AboutDialog)
#include "tst_aboutdialog.moc"
