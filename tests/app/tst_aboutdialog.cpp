#include "aboutdialog.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

class tst_AboutDialog : public QObject
{
    Q_OBJECT

private slots:
    void modes_data();
    void modes();
    void splashClosesItselfAfterFade();
    void aboutBoxCloseButton();
};

void tst_AboutDialog::modes_data()
{
    QTest::addColumn<bool>("splash");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("infoX");
    QTest::newRow("splash") << true << QString() << 80;
    QTest::newRow("about box") << false << QStringLiteral("About VESTRA Code Editor") << 10;
}

void tst_AboutDialog::modes()
{
    QFETCH(bool, splash);
    QFETCH(QString, title);
    QFETCH(int, infoX);
    AboutDialog dialog(splash, nullptr);
    QCOMPARE(dialog.windowTitle(), title);
    QCOMPARE(dialog.size(), QSize(400, 310));
    QCOMPARE(dialog.minimumSize(), QSize(400, 310));
    QCOMPARE(dialog.maximumSize(), QSize(400, 310));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
    QCOMPARE(bool(dialog.windowFlags() & Qt::FramelessWindowHint), splash);
    QCOMPARE(bool(dialog.windowFlags() & Qt::WindowStaysOnTopHint), splash);

    auto *info = dialog.findChild<QLabel *>(QStringLiteral("lblnfo"));
    QVERIFY(info);
    QCOMPARE(info->geometry(), QRect(infoX, 230, 241, 61));
    QVERIFY(info->text().startsWith(QStringLiteral("VESTRA Code Editor V1.1\n")));
    QCOMPARE(info->font().pointSize(), 11);
    QCOMPARE(info->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);

    auto *picture = dialog.findChild<QLabel *>(QStringLiteral("label"));
    QVERIFY(picture);
    const QPixmap pixmap = picture->pixmap(Qt::ReturnByValue);
    QVERIFY(!pixmap.isNull());
    QVERIFY(picture->hasScaledContents());
    // The picture keeps the 8:5 shape of its label.
    QCOMPARE(pixmap.width() * 5, pixmap.height() * 8);
    QVERIFY(!dialog.windowIcon().isNull());

    dialog.show();
    auto *close = dialog.findChild<QPushButton *>(QStringLiteral("btnClose"));
    QCOMPARE(close->isVisible(), !splash);
    QCOMPARE(close->geometry(), QRect(300, 260, 80, 25));
}

void tst_AboutDialog::splashClosesItselfAfterFade()
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

void tst_AboutDialog::aboutBoxCloseButton()
{
    AboutDialog about(false, nullptr);
    QTimer::singleShot(0, &about, [&about]() {
        about.findChild<QPushButton *>(QStringLiteral("btnClose"))->click();
    });
    QCOMPARE(about.exec(), int(QDialog::Rejected));
}

QTEST_MAIN(tst_AboutDialog)
#include "tst_aboutdialog.moc"
