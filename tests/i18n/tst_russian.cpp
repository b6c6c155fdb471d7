#include "mainwidget/mainwidget.h"

#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <memory>

class TestRussian : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void lookups_data();
    void lookups();
    void window();

private:
    QTranslator m_translator;
};

void TestRussian::initTestCase() {
    QVERIFY(m_translator.load(QStringLiteral(":/main_ru.qm")));
    QCOMPARE(m_translator.language(), QStringLiteral("ru_RU"));
}

void TestRussian::lookups_data() {
    QTest::addColumn<QByteArray>("context");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QString>("translation");
    QTest::newRow("log error") << QByteArray("MainWidget") << QByteArray("Error(%1):  %2\r\n")
                               << QStringLiteral("Ошибка(%1):  %2\r\n");
    QTest::newRow("multi-line") << QByteArray("MainWidget")
                                << QByteArray("Close socket\n  <index> - socket number")
                                << QStringLiteral("Закрыть сокет\n  <index> - номер сокета");
    QTest::newRow("timeout") << QByteArray("at") << QByteArray("Timeout")
                             << QStringLiteral("Тайм-аут");
    // a text of one context is not found through another
    QTest::newRow("wrong context") << QByteArray("BinaryDialog") << QByteArray("Open") << QString();
}

void TestRussian::lookups() {
    QFETCH(QByteArray, context);
    QFETCH(QByteArray, source);
    QFETCH(QString, translation);
    QCOMPARE(m_translator.translate(context.constData(), source.constData()), translation);
}

void TestRussian::window() {
    QVERIFY(QCoreApplication::installTranslator(&m_translator));
    auto window = std::make_unique<MainWidget>();
    QCoreApplication::removeTranslator(&m_translator);
    auto* openClose = window->findChild<QPushButton*>(QStringLiteral("open-close"));
    QVERIFY(openClose);
    QCOMPARE(openClose->text(), QStringLiteral("Открыть"));
}

QTEST_MAIN(TestRussian)
#include "tst_russian.moc"
