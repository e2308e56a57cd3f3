// SPDX-License-Identifier: MIT
// The small windows: splash, file comments and the progress gauge.
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QtTest>

#include "CommentsWindow.h"
#include "ProgressWindow.h"
#include "SplashWindow.h"

using namespace quillane::frontend;

class SmallWindowsTest : public QObject {
    Q_OBJECT

  private slots:
    void splashShowsItsThreeLinesAndThePicture() {
        SplashWindow splash;
        QCOMPARE(splash.objectName(), QStringLiteral("Splash1"));
        QCOMPARE(splash.windowTitle(), QStringLiteral("Quillane V0.99"));
        QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Quillane V0.99  for Win95 + WinNT"));
        QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Program For Intercomparison of "));
        QCOMPARE(splash.findChild<QLabel *>(QStringLiteral("Label3"))->text(),
                 QStringLiteral("Ultracentrifuge Data Files"));
        QLabel *label1 = splash.findChild<QLabel *>(QStringLiteral("Label1"));
        QLabel *label3 = splash.findChild<QLabel *>(QStringLiteral("Label3"));
        QVERIFY(label1->geometry().top() < label3->geometry().top());
        QCOMPARE(label1->font().pointSize(), 12);
        const QPixmap picture = splash.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap();
        QVERIFY(!picture.isNull());
        // The picture is drawn, not blank: its centre holds the cell.
        const QImage image = picture.toImage();
        QVERIFY(image.pixelColor(image.width() / 2, image.height() / 2).alpha() > 0);
    }

    void commentsStartWithTheRulerAndShowWhatTheOpenerGives() {
        CommentsWindow comments;
        QCOMPARE(comments.windowTitle(), QStringLiteral("Click Anywhere To Close"));
        QCOMPARE(comments.firstLine().size(), 80);
        QVERIFY(comments.firstLine().startsWith(QStringLiteral("1234567890")));
        const QFont font = comments.findChild<QLineEdit *>(QStringLiteral("Text1"))->font();
        QVERIFY(QFontInfo(font).fixedPitch());
        comments.setLines(QStringLiteral("Cell 2"), QStringLiteral("R 1 2 3 60"),
                          QStringLiteral("/d/S1.RA1"));
        QCOMPARE(comments.firstLine(), QStringLiteral("Cell 2"));
        QCOMPARE(comments.secondLine(), QStringLiteral("R 1 2 3 60"));
        QCOMPARE(comments.windowTitle(), QStringLiteral("/d/S1.RA1"));
    }

    void aClickOnEitherLineOrTheBackgroundClosesTheComments() {
        for (const char *target : {"Text1", "Text2", ""}) {
            CommentsWindow comments;
            comments.show();
            QWidget *where = *target ? comments.findChild<QWidget *>(QString::fromLatin1(target))
                                     : static_cast<QWidget *>(&comments);
            QTest::mouseClick(where, Qt::LeftButton, {}, QPoint(1, 1));
            QVERIFY2(!comments.isVisible(), target);
            QCOMPARE(comments.result(), int(QDialog::Accepted));
        }
    }

    void progressWindowHasItsEndLabelsAndFollowsTheViewer() {
        ProgressWindow progress;
        QCOMPARE(progress.objectName(), QStringLiteral("cmpltfrm"));
        QCOMPARE(progress.windowTitle(), QStringLiteral("% Complete"));
        QCOMPARE(progress.findChild<QLabel *>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("0"));
        QCOMPARE(progress.findChild<QLabel *>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("100"));
        progress.setStatus(QStringLiteral("Reading Data"));
        progress.setPercent(40);
        QCOMPARE(progress.status(), QStringLiteral("Reading Data"));
        QCOMPARE(progress.findChild<QProgressBar *>(QStringLiteral("Gauge1"))->value(), 40);
        progress.setPercent(140);
        QCOMPARE(progress.percent(), 100);
    }
};

QTEST_MAIN(SmallWindowsTest)
#include "small_windows_test.moc"
