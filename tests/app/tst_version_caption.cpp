#include <QWidget>
#include <QtTest>

#include "app/version_caption.h"

class TestVersionCaption : public QObject {
    Q_OBJECT
private slots:
    void caption_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shipped") << "ZTAdrF00" << 1 << 0 << 1
                                 << "ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.00.01";
        QTest::newRow("two digits") << "ZTAdrF00" << 1 << 5 << 12
                                    << "ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.05.12";
        QTest::newRow("three digits")
            << "ZTAdrF00" << 1 << 0 << 123 << "ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.00.123";
    }
    void caption() {
        QFETCH(QString, name);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, expected);
        QWidget window;
        window.setObjectName(name);
        window.setWindowTitle(u"Windowsアドレス帳移行支援"_qs);
        ZTAdrM1::SetVersionCaption(&window, u"Norrik!アドレス帳移行支援"_qs, major, minor, revision);
        QCOMPARE(window.windowTitle(), expected);
    }

    // The build's own version record gives the shipped caption.
    void buildVersion() {
        QWidget window;
        window.setObjectName(u"ZTAdrF00"_qs);
        ZTAdrM1::SetVersionCaption(&window);
        QCOMPARE(window.windowTitle(), u"ZTAdrF00：Norrik!アドレス帳移行支援 Ver.1.00.01"_qs);
    }
};

QTEST_MAIN(TestVersionCaption)
#include "tst_version_caption.moc"
